#include "wizard/ExclusionsPanel.h"

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

namespace {

const QString PreviewText = QStringLiteral("Preview");
const QString CancelText = QStringLiteral("Cancel Preview");

template <typename Widget>
Widget* named(Widget* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

}  // namespace

ExclusionsPanel::ExclusionsPanel(std::function<Sources()> sources, QWidget* parent)
    : QWidget(parent),
      m_sources(std::move(sources)),
      m_patterns(named(new QPlainTextEdit, "txtExclusions")),
      m_caches(named(new QCheckBox(QStringLiteral("Leave out folders tagged as caches (CACHEDIR.TAG)")), "chkCacheDirTag")),
      m_preview(named(new QPushButton(PreviewText), "cmdPreview")),
      m_result(named(new QLabel, "lblPreview"))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("Leave out (one pattern a line: *.tmp, node_modules, Photos/Raw, build/):")));
    m_patterns->setMaximumHeight(m_patterns->fontMetrics().lineSpacing() * 4 + 12);
    layout->addWidget(m_patterns);
    layout->addWidget(m_caches);
    auto* preview = new QHBoxLayout;
    preview->addWidget(m_preview, 0, Qt::AlignTop);
    m_result->setWordWrap(true);
    m_result->setTextInteractionFlags(Qt::TextSelectableByMouse);
    preview->addWidget(m_result, 1);
    layout->addLayout(preview);
    connect(m_preview, &QPushButton::clicked, this, &ExclusionsPanel::PreviewClicked);
}

ExclusionsPanel::~ExclusionsPanel()
{
    if (m_worker) {  // the listing asks for the cancel at every item: it ends at once
        m_work->cancel = true;
        m_worker->wait();
    }
}

QStringList ExclusionsPanel::Patterns() const
{
    QStringList patterns;
    for (const QString& line : m_patterns->toPlainText().split(QLatin1Char('\n')))
        if (!line.trimmed().isEmpty())
            patterns << line;
    return patterns;
}

bool ExclusionsPanel::LeavesOutCaches() const
{
    return m_caches->isChecked();
}

void ExclusionsPanel::setExclusions(const QStringList& patterns, bool leaveOutCaches)
{
    m_patterns->setPlainText(patterns.join(QLatin1Char('\n')));
    m_caches->setChecked(leaveOutCaches);
}

void ExclusionsPanel::PreviewClicked()
{
    if (m_worker)
        m_work->cancel = true;
    else
        startPreview();
}

void ExclusionsPanel::startPreview()
{
    const Sources sources = m_sources();
    auto work = std::make_shared<Work>();
    const Exclusions exclusions(Patterns(), LeavesOutCaches());
    m_work = work;
    m_worker = QThread::create([work, sources, exclusions] {
        try {
            work->counts = JobPreview::measure(sources.entries, sources.subdirectories, exclusions,
                                               [&work] { return work->cancel.load(); });
        } catch (const JobPreview::Cancelled&) {
            work->cancelled = true;
        }
    });
    connect(m_worker, &QThread::finished, this, &ExclusionsPanel::showResult);
    m_preview->setText(CancelText);
    m_result->setText(QStringLiteral("Working out what the job takes..."));
    m_worker->start();
}

void ExclusionsPanel::showResult()
{
    m_worker->deleteLater();
    m_worker = nullptr;
    m_preview->setText(PreviewText);
    m_result->setText(m_work->cancelled ? QStringLiteral("Preview cancelled.") : JobPreview::summary(m_work->counts));
    emit previewEnded();
}
