#include "wizard/ExclusionsPanel.h"

#include "shared/Controls.h"

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

ExclusionsPanel::ExclusionsPanel(std::function<Sources()> sources, QWidget* parent)
    : QWidget(parent)
    , m_sources(std::move(sources))
    , m_patterns(Controls::named(new QPlainTextEdit, "exclusionPatterns"))
    , m_caches(
          Controls::named(new QCheckBox(tr("Leave out folders tagged as caches (CACHEDIR.TAG)")), "leaveOutCachesBox"))
    , m_preview(Controls::named(new QPushButton(tr("Preview")), "previewButton"))
    , m_result(Controls::named(new QLabel, "previewResult"))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(tr("Leave out (one pattern a line: *.tmp, node_modules, Photos/Raw, build/):")));
    m_patterns->setMaximumHeight(m_patterns->fontMetrics().lineSpacing() * 4 + 12);
    layout->addWidget(m_patterns);
    layout->addWidget(m_caches);
    auto* preview = new QHBoxLayout;
    preview->addWidget(m_preview, 0, Qt::AlignTop);
    m_result->setWordWrap(true);
    m_result->setTextInteractionFlags(Qt::TextSelectableByMouse);
    preview->addWidget(m_result, 1);
    layout->addLayout(preview);
    connect(m_preview, &QPushButton::clicked, this, &ExclusionsPanel::togglePreview);
}

ExclusionsPanel::~ExclusionsPanel()
{
    if (m_worker) { // the listing asks for the cancel at every item: it ends at once
        m_work->cancel = true;
        m_worker->wait();
    }
}

QStringList ExclusionsPanel::patterns() const
{
    QStringList patterns;
    for (const QString& line : m_patterns->toPlainText().split(QLatin1Char('\n')))
        if (!line.trimmed().isEmpty())
            patterns << line;
    return patterns;
}

bool ExclusionsPanel::leavesOutCaches() const
{
    return m_caches->isChecked();
}

void ExclusionsPanel::setExclusions(const QStringList& patterns, bool leaveOutCaches)
{
    m_patterns->setPlainText(patterns.join(QLatin1Char('\n')));
    m_caches->setChecked(leaveOutCaches);
}

void ExclusionsPanel::togglePreview()
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
    const Exclusions exclusions(patterns(), leavesOutCaches());
    m_work = work;
    m_worker = QThread::create([work, sources, exclusions] {
        try {
            work->counts = JobPreview::measure(
                sources.entries, sources.subdirectories, exclusions, [&work] { return work->cancel.load(); });
        } catch (const JobPreview::Cancelled&) {
            work->cancelled = true;
        }
    });
    connect(m_worker, &QThread::finished, this, &ExclusionsPanel::showResult);
    m_preview->setText(tr("Cancel Preview"));
    m_result->setText(tr("Working out what the job takes..."));
    m_worker->start();
}

void ExclusionsPanel::showResult()
{
    m_worker->deleteLater();
    m_worker = nullptr;
    m_preview->setText(tr("Preview"));
    m_result->setText(m_work->cancelled ? tr("Preview cancelled.") : JobPreview::summary(m_work->counts));
    emit previewEnded();
}
