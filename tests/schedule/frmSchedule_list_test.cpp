// The job list window's list: row texts, keys, icons, sorting, the status bar, the lamps and
// closing that only hides.
#include "lib/appSetup.h"
#include "schedule/frmSchedule.h"
#include "support/TestSupport.h"

#include <QHeaderView>
#include <QLabel>
#include <QTest>
#include <QTreeWidget>

using testing_support::AppFolderTest;
using testing_support::FatalEnd;

namespace {

class ScheduleListTest : public AppFolderTest {
protected:
    QTreeWidget* list() { return window.findChild<QTreeWidget*>(QStringLiteral("lvwSchedule")); }
    QString cell(int row, int column) { return list()->topLevelItem(row)->text(column); }
    QStringList rowTexts(int row)
    {
        QStringList texts;
        for (int column = 0; column < list()->columnCount(); ++column)
            texts << cell(row, column);
        return texts;
    }
    QStringList column(int column)
    {
        QStringList texts;
        for (int row = 0; row < list()->topLevelItemCount(); ++row)
            texts << cell(row, column);
        return texts;
    }
    void add(const QString& name, QDate lastRun, std::optional<QDate> nextRun, QTime start, bool compressed)
    {
        window.AddItemListView(name, QDateTime(lastRun, QTime(0, 0)), nextRun, start, compressed,
                               appSetup::JobsFolder() + name + ".awj");
    }
    void clickHeader(int column)
    {
        QHeaderView* header = list()->header();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
    }

    frmSchedule window;
};

}  // namespace

TEST_F(ScheduleListTest, RowsCarryTheirTextsKeysAndIcons)
{
    add("Daily Docs", QDate(2026, 1, 5), QDate(2026, 2, 1), QTime(23, 58), true);
    add("Photos", QDate(2025, 12, 31), std::nullopt, QTime(9, 5), false);
    ASSERT_EQ(list()->topLevelItemCount(), 2);

    EXPECT_TRUE(list()->isColumnHidden(frmSchedule::ColCompressed));
    EXPECT_TRUE(list()->isColumnHidden(frmSchedule::ColJobFile));
    EXPECT_FALSE(list()->isColumnHidden(frmSchedule::ColStartTime));

    EXPECT_EQ(rowTexts(0), (QStringList{"Daily Docs", "Jan-05-2026", "Feb-01-2026", "11:58 PM", "True",
                                        appFolder() + "/BackupJobs/Daily Docs.awj", ""}));
    // No real next run: marked, not a date.
    EXPECT_EQ(rowTexts(1), (QStringList{"Photos", "Dec-31-2025", frmSchedule::NoNextRunText, "09:05 AM", "False",
                                        appFolder() + "/BackupJobs/Photos.awj", ""}));

    EXPECT_EQ(window.FindItemByKey("_Photos"), list()->topLevelItem(1));
    EXPECT_EQ(window.FindItemByKey("Photos"), nullptr);  // the key has the underscore first
    // Image 1 marks a compressed job, image 2 a copy: the two rows show different pictures.
    EXPECT_NE(list()->topLevelItem(0)->icon(0).cacheKey(), list()->topLevelItem(1)->icon(0).cacheKey());

    // A second row with a name already listed is refused (its key would not be unique).
    EXPECT_THROW(add("Photos", QDate(2026, 1, 1), QDate(2026, 1, 2), QTime(1, 0), true), FatalEnd);
    EXPECT_EQ(list()->topLevelItemCount(), 2);
}

TEST_F(ScheduleListTest, StatusPanelCountsRowsLampsFollowTheRunAndFirstShowSelectsRowOne)
{
    auto* count = window.findChild<QLabel*>(QStringLiteral("NbrBackupJobs"));
    ASSERT_NE(count, nullptr);
    {
        frmSchedule empty;
        empty.show();
        EXPECT_EQ(empty.findChild<QLabel*>(QStringLiteral("NbrBackupJobs"))->text(), "0 Backup Jobs");
        EXPECT_EQ(empty.findChild<QTreeWidget*>(QStringLiteral("lvwSchedule"))->currentItem(), nullptr);
    }
    add("A", QDate(2026, 1, 1), QDate(2026, 1, 2), QTime(1, 0), true);
    EXPECT_EQ(count->text(), "1 Backup Jobs");  // no singular form
    add("B", QDate(2026, 1, 1), QDate(2026, 1, 2), QTime(1, 0), true);
    add("C", QDate(2026, 1, 1), QDate(2026, 1, 2), QTime(1, 0), true);
    window.show();
    EXPECT_EQ(list()->currentItem(), list()->topLevelItem(0));
    EXPECT_TRUE(list()->topLevelItem(0)->isSelected());
    // A later showing does not pick row 1 again.
    list()->setCurrentItem(list()->topLevelItem(2));
    window.hide();
    window.show();
    EXPECT_EQ(list()->currentItem(), list()->topLevelItem(2));

    window.DeleteItemListView(2);
    EXPECT_EQ(column(0), QStringList({"A", "C"}));
    EXPECT_EQ(count->text(), "2 Backup Jobs");

    window.setMessageText("Zipping...");
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("StatusBar"))->text(), "Zipping...");
    EXPECT_EQ(window.MessageText(), "Zipping...");

    // The lamps start idle and follow the run.
    const auto lamps = [this] {
        std::vector<bool> shown;
        for (int index = 0; index < 4; ++index)
            shown.push_back(window.findChild<QLabel*>(QStringLiteral("imgLight%1").arg(index))->isVisibleTo(&window));
        return shown;
    };
    EXPECT_EQ(lamps(), (std::vector<bool>{true, false, false, true}));
    for (int index = 0; index < 4; ++index)
        window.setLightVisible(index, index == 1 || index == 2);
    EXPECT_EQ(lamps(), (std::vector<bool>{false, true, true, false}));
}

TEST_F(ScheduleListTest, EveryHeaderClickFlipsTheOrderAndDatesSortAsDates)
{
    add("beta", QDate(2026, 4, 1), QDate(2026, 5, 2), QTime(13, 0), true);
    add("Alpha", QDate(2026, 1, 9), std::nullopt, QTime(9, 0), true);
    add("gamma", QDate(2025, 12, 1), QDate(2026, 2, 1), QTime(23, 0), false);
    window.show();

    clickHeader(frmSchedule::ColLastRun);  // ascending at first: the first click sorts descending
    EXPECT_EQ(column(0), QStringList({"beta", "Alpha", "gamma"}));  // Apr-01-2026, Jan-09-2026, Dec-01-2025
    clickHeader(frmSchedule::ColName);  // flips again, whichever column: ascending
    EXPECT_EQ(column(0), QStringList({"Alpha", "beta", "gamma"}));
    clickHeader(frmSchedule::ColName);
    EXPECT_EQ(column(0), QStringList({"gamma", "beta", "Alpha"}));
    clickHeader(frmSchedule::ColNextRun);  // ascending; a job with no next run comes last
    EXPECT_EQ(column(0), QStringList({"gamma", "beta", "Alpha"}));
    clickHeader(frmSchedule::ColStartTime);  // descending by time of day, not by "AM"/"PM" text
    EXPECT_EQ(column(0), QStringList({"gamma", "beta", "Alpha"}));
    clickHeader(frmSchedule::ColStartTime);
    EXPECT_EQ(column(0), QStringList({"Alpha", "beta", "gamma"}));
    // New rows are appended at the end, not sorted in.
    add("aaa", QDate(2026, 1, 1), QDate(2026, 1, 2), QTime(1, 0), true);
    EXPECT_EQ(cell(3, 0), "aaa");
}

TEST_F(ScheduleListTest, ClosingHidesAndKeepsRowsSelectionSortAndSize)
{
    add("b", QDate(2026, 1, 1), QDate(2026, 1, 2), QTime(1, 0), true);
    add("a", QDate(2026, 1, 1), QDate(2026, 1, 2), QTime(1, 0), true);
    window.show();
    clickHeader(frmSchedule::ColName);
    clickHeader(frmSchedule::ColName);
    list()->setCurrentItem(list()->topLevelItem(1));
    int closedByUser = 0;
    QObject::connect(&window, &frmSchedule::closedByUser, [&closedByUser] { ++closedByUser; });

    window.close();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(closedByUser, 1);
    window.show();
    EXPECT_EQ(column(0), QStringList({"a", "b"}));
    EXPECT_EQ(list()->currentItem(), list()->topLevelItem(1));

    window.findChild<QAction*>(QStringLiteral("mnuFileClose"))->trigger();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(closedByUser, 2);

    // At the program's end the window goes without telling anyone it was closed by the user.
    window.show();
    window.KillForm(true);
    window.resize(window.minimumSize() + QSize(123, 45));
    window.close();
    EXPECT_EQ(closedByUser, 2);
    EXPECT_EQ(frmSchedule().size(), window.minimumSize() + QSize(123, 45));  // the next window keeps its size
}
