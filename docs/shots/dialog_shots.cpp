// Takes the dialogs' and the job wizard's pictures for the documentation: run under a display (Xvfb) with the
// folder to write them into, e.g. `xvfb-run -a build/docs/dialog_shots docs`.
#include "lib/Preferences.h"
#include "lib/AppPaths.h"
#include "lib/Clock.h"
#include "agent/AgentStart.h"
#include "agent/TrayAgent.h"
#include "jobs/Job.h"
#include "jobs/RunRecord.h"
#include "dialogs/AboutBox.h"
#include "dialogs/LogWindow.h"
#include "dialogs/FilePicker.h"
#include "dialogs/PreferencesDialog.h"
#include "restore/RestoreWindow.h"
#include "schedule/JobListWindow.h"

#include <QEventLoop>
#include "wizard/JobWizard.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QProcess>
#include <QRadioButton>
#include <QTabBar>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTextStream>
#include <QToolTip>

namespace {

bool savePicture(const QPixmap& picture, const QString& file)
{
    const bool saved = picture.save(file);
    QTextStream(stdout) << (saved ? "wrote " : "could not write ") << file << '\n';
    return saved;
}

bool save(QWidget* window, const QString& file)
{
    window->show();
    QApplication::processEvents();
    return savePicture(window->grab(), file);
}

// A folder with a few files such as a user backs up.
QString exampleFolder(const QTemporaryDir& scratch)
{
    const QString folder = scratch.filePath(QStringLiteral("Documents"));
    QDir().mkpath(folder);
    for (const char* name : {"budget-2026.ods", "letter to the bank.odt", "notes.txt", "photo-list.csv",
                             "recipes.pdf", "tax-return.pdf"}) {
        QFile file(folder + QLatin1Char('/') + QLatin1String(name));
        file.open(QIODevice::WriteOnly);
    }
    return folder;
}

// The shown window with one of its menus open. The menu is a window of its own, so it is
// drawn onto the window's picture where it opened.
bool saveWithMenu(QMainWindow& window, QMenu* menu, const QString& file)
{
    const QRect item = window.menuBar()->actionGeometry(menu->menuAction());
    menu->popup(window.menuBar()->mapToGlobal(item.bottomLeft()));
    QApplication::processEvents();
    QPixmap picture = window.grab();
    QPainter(&picture).drawPixmap(window.mapFromGlobal(menu->pos()), menu->grab());
    menu->hide();
    return savePicture(picture, file);
}

// The clock of the pictures: a Monday evening in December.
class PictureClock : public Clock {
public:
    PictureClock() { Clock::install(this); }
    ~PictureClock() override { Clock::install(nullptr); }

protected:
    QDateTime currentDateTime() const override { return QDateTime(QDate(2026, 12, 7), QTime(18, 30)); }
};

// A job of a household: daily on `days` at `start`, last run `ranDaysAgo` days ago (never: -1).
void saveHouseholdJob(JobTable& jobs, const QString& name, qint16 days, QTime start, bool compress, int ranDaysAgo)
{
    Job job;
    job.setName(name);
    job.setCompress(compress);
    job.setFrequency(Job::Daily);
    job.setWeekdays(days);
    job.setStartTime(start);
    job.setTargetDirectory(QStringLiteral("/media/ada/backup/"));
    job.setFilesToZip(QStringLiteral("/home/ada/Documents/*.*\r\n"));
    (void)jobs.save(job);
    if (ranDaysAgo < 0)
        return;
    jobs.updateRecord(name, [&](RunRecord& record) {
        record.started = QDateTime(Clock::today().addDays(-ranDaysAgo), start);
        record.ended = record.started.addSecs(40);
        record.lastCompleted = record.started;
        record.result = RunRecord::Result::Completed;
    });
}

// The job list window with three jobs of a household.
bool saveJobList(const QTemporaryDir& scratch, const QString& out)
{
    const PictureClock clock;
    AppPaths::setApplicationPaths(scratch.filePath(QStringLiteral("household")), QStringLiteral("arkwell"));
    Agent agent;
    JobListWindow schedule(agent);
    agent.jobs().load(AppPaths::jobsFolder(), AppPaths::runRecordsFolder());
    saveHouseholdJob(agent.jobs(), QStringLiteral("Weekly Documents"), Job::Friday, QTime(23, 58), true, 3);
    saveHouseholdJob(agent.jobs(), QStringLiteral("Daily Mail"), Job::AllWeekdays, QTime(21, 0), true, 1);
    saveHouseholdJob(agent.jobs(), QStringLiteral("Photos Copy"), Job::Sunday, QTime(3, 0), false, -1);
    return save(&schedule, out + QStringLiteral("job-list.png"))
           && saveWithMenu(schedule, schedule.fileMenu(), out + QStringLiteral("job-list-file-menu.png"))
           && saveWithMenu(schedule, schedule.actionMenu(), out + QStringLiteral("job-list-action-menu.png"));
}

// A job of the status picture: a daily zip of `folder` into `target`.
Job statusJob(const QString& name, const QString& folder, const QString& target)
{
    Job job;
    job.setName(name);
    job.setCompress(true);
    job.setFrequency(Job::Daily);
    job.setWeekdays(true, true, true, true, true, true, true);
    job.setStartTime(QTime(21, 0));
    job.setLastRun(QDateTime(QDate(2026, 12, 6), QTime(0, 0)));
    job.setTargetDirectory(target + QLatin1Char('/'));
    job.setFilesToZip(folder + QStringLiteral("/*.*\r\n"));
    return job;
}

// The label drawn as the desktop draws a tooltip (a tray can't be pictured under Xvfb).
void drawAsToolTip(QLabel& tip)
{
    tip.setObjectName(QStringLiteral("trayToolTip"));
    tip.setPalette(QToolTip::palette());
    tip.setAutoFillBackground(true);
    tip.setMargin(6);
    tip.setFrameShape(QFrame::Box);
}

// The job list after real runs of zip. First a scheduled run that completed, which raises no
// notification, with the tray icon's tooltip telling the last result drawn over the window's
// lower right corner; then one failed (its target is missing) and one caught while it runs,
// and beside it the tray icon's tooltip at that moment: the list stays readable during the run.
bool saveJobStatus(const QTemporaryDir& scratch, const QString& folder, const QString& out)
{
    const QString app = scratch.filePath(QStringLiteral("app"));
    QDir().mkpath(app);
    QFile::link(QStringLiteral("/usr/bin/zip"), app + QStringLiteral("/zip"));
    AppPaths::setApplicationPaths(app, QStringLiteral("arkwell"));
    Preferences::stopOnError = false;
    QDir().mkpath(AppPaths::jobsFolder());
    QDir().mkpath(scratch.filePath(QStringLiteral("backup")));
    Agent agent;
    JobListWindow schedule(agent);
    AgentStart::loadJobList(schedule);
    TrayAgent tray(agent, schedule, false);
    const auto runAndWait = [&agent, &schedule](const QString& name) {
        schedule.runJobs({name});
        while (agent.busy())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    };
    (void)schedule.jobs().save(statusJob(QStringLiteral("Daily Mail"), folder, scratch.filePath(QStringLiteral("backup"))));
    schedule.resize(900, 300);
    schedule.show();
    schedule.jobs().markHandled(QStringLiteral("Daily Mail"), QDateTime::currentDateTime());  // as the scheduler does
    runAndWait(QStringLiteral("Daily Mail"));
    QLabel lastResult(tray.trayToolTip());
    drawAsToolTip(lastResult);
    lastResult.adjustSize();
    QPixmap completed = schedule.grab();
    QPainter(&completed).drawPixmap(completed.width() - lastResult.width() - 12,
                                    completed.height() - lastResult.height() - 40, lastResult.grab());
    bool ok = savePicture(completed, out + QStringLiteral("job-list-completed.png"));

    (void)schedule.jobs().save(statusJob(QStringLiteral("Offsite Copy"), folder, QStringLiteral("/media/ada/offsite")));
    (void)schedule.jobs().save(statusJob(QStringLiteral("Weekly Documents"), folder, scratch.filePath(QStringLiteral("backup"))));
    runAndWait(QStringLiteral("Offsite Copy"));
    bool caught = false;
    QObject::connect(&schedule, &JobListWindow::statusChanged, [&] {
        if (caught || schedule.runningJob().isEmpty() || schedule.model().progressText().isEmpty())
            return;
        caught = true;
        ok = save(&schedule, out + QStringLiteral("job-list-status.png")) && ok;
        QLabel tip(tray.trayToolTip());
        drawAsToolTip(tip);
        ok = save(&tip, out + QStringLiteral("tray-tooltip.png")) && ok;
    });
    runAndWait(QStringLiteral("Weekly Documents"));
    return ok && caught;
}

// The six steps of the wizard, filled in as for a weekly backup of the example folder.
bool saveWizardSteps(const QString& folder, const QString& out)
{
    Agent agent;
    JobListWindow schedule(agent);
    auto* wizard = new JobWizard(schedule.jobs(), QString());
    wizard->show();
    wizard->nameEdit->setText(QStringLiteral("Weekly Documents"));
    wizard->startTimeEdit->setText(QStringLiteral("11:58 PM"));
    wizard->frequencyList->setCurrentIndex(1);
    wizard->dayBoxes[4]->setChecked(true);
    wizard->sourceList->addItems({folder + QStringLiteral("/*.*"), folder + QStringLiteral("/notes.txt")});
    wizard->subfoldersBox->setChecked(true);
    wizard->targetEdit->setText(QStringLiteral("/media/ada/backup"));
    wizard->passwordBox->setChecked(true);
    for (QLineEdit* password : {wizard->passwordEdit, wizard->passwordConfirmEdit})
        password->setText(QStringLiteral("correct horse"));
    bool ok = true;
    for (int step = 1; step <= 6; ++step) {
        ok = save(wizard, out + QStringLiteral("wizard-step%1.png").arg(step)) && ok;
        wizard->nextButton->click();
    }
    delete wizard;
    return ok;
}

// The program's own view of the transaction log, as a desktop without a text viewer shows it.
bool saveLogView(const QTemporaryDir& scratch, const QString& out)
{
    QFile log(scratch.filePath(QStringLiteral("arkwell.log")));
    log.open(QIODevice::WriteOnly);
    log.write("12/07/2026 21:00:00  Zipping Up   /home/ada/Mail/*.*\r\n"
              "12/07/2026 21:00:00  Running /home/ada/.local/lib/arkwell/zip -v -r -n .zip (412 file names on "
              "standard input)\r\n"
              "12/07/2026 21:00:03  Zipping Up   /home/ada/Mail/signature.txt\r\n");
    log.close();
    return save(LogWindow::showLog(log.fileName()), out + QStringLiteral("log-window.png"));
}

// The Restore window over three archives of a folder whose report changed in every run.
bool saveRestoreWindow(const QTemporaryDir& scratch, const QString& out)
{
    const QString documents = scratch.filePath(QStringLiteral("restore/Documents"));
    const QString backups = scratch.filePath(QStringLiteral("restore/Backups/"));
    QDir().mkpath(documents + QStringLiteral("/Letters"));
    QDir().mkpath(backups);
    for (const char* name : {"Letters/bank.txt", "Letters/landlord.txt", "budget.ods", "notes.txt"}) {
        QFile file(documents + QLatin1Char('/') + QLatin1String(name));
        file.open(QIODevice::WriteOnly);
        file.write(QByteArray(4000, 'x'));
    }
    for (const char* archive : {"Documents_2.zip", "Documents_1.zip", "Documents.zip"}) {
        QFile report(documents + QStringLiteral("/report.odt"));
        report.open(QIODevice::Append);
        report.write(QByteArray(12000, 'r'));
        report.close();
        QProcess::execute(QStringLiteral("zip"), {QStringLiteral("-qry"), backups + QLatin1String(archive), documents});
    }
    Job job;
    job.setName(QStringLiteral("Documents"));
    job.setCompress(true);
    job.setTargetDirectory(backups);
    auto* window = new RestoreWindow(job, KeptBackups::list(job, RunRecord{}, 5));
    window->selectPath(QFile::encodeName(documents + QStringLiteral("/report.odt")));
    window->findChild<QRadioButton*>(QStringLiteral("toFolderOption"))->setChecked(true);
    window->findChild<QLineEdit*>(QStringLiteral("folderEdit"))->setText(QStringLiteral("/home/ada/restored"));
    return save(window, out + QStringLiteral("restore-window.png"));
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: dialog_shots OUTPUT-FOLDER\n";
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]) + QLatin1Char('/');
    QTemporaryDir scratch;
    AppPaths::setApplicationPaths(QStringLiteral("/home/ada/.local/lib/arkwell"), QStringLiteral("arkwell"));
    Preferences::maxBackupCopies = 5;
    Preferences::stopOnError = true;
    Preferences::runMissedBackups = true;

    bool ok = save(new PreferencesDialog, out + QStringLiteral("preferences.png"));
    ok = save(new AboutBox, out + QStringLiteral("about.png")) && ok;

    QWidget wizard;
    FilePicker::setRememberedFolder(exampleFolder(scratch));
    auto* picker = new FilePicker(&wizard);
    for (const char* name : {"notes.txt", "tax-return.pdf"})
        picker->findChild<QListWidget*>(QStringLiteral("fileList"))->findItems(QLatin1String(name), Qt::MatchExactly).front()->setSelected(true);
    ok = save(picker, out + QStringLiteral("file-picker.png")) && ok;
    picker->findChild<QTabWidget*>(QStringLiteral("tabs"))->setCurrentIndex(1);
    picker->findChild<QRadioButton*>(QStringLiteral("commonExtensionOption"))->setChecked(true);
    picker->findChild<QComboBox*>(QStringLiteral("commonExtensionList"))->setCurrentText(QStringLiteral("pdf"));
    ok = save(picker, out + QStringLiteral("file-picker-wildcards.png")) && ok;
    ok = saveWizardSteps(exampleFolder(scratch), out) && ok;
    ok = saveJobList(scratch, out) && ok;
    ok = saveLogView(scratch, out) && ok;
    ok = saveJobStatus(scratch, exampleFolder(scratch), out) && ok;
    ok = saveRestoreWindow(scratch, out) && ok;
    return ok ? 0 : 1;
}
