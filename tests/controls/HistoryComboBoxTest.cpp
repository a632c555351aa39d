#include "ControlsTestKit.h"
#include "HistoryComboBox.h"
#include "WinApp.h"
#include "WinDefs.h"
#include "WinStyles.h"

#include <QFileInfo>
#include <QSettings>

#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <unistd.h>

using Texts = std::vector<std::string>;

namespace {

class HistoryComboBox : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_combo.SubclassWindow(m_host.Add(HistoryComboItem())));
    }

    // A section of its own for each test: nothing to clear.
    const std::string kSection = std::string("History.") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    CControlHost m_host;
    CHistoryComboBox m_combo;
};

// Counts the times a file is opened, by name in its folder (a rewritten file is a new one).
// Closes are watched too: the kernel merges events in a row that are alike.
class CFileOpenCounter {
public:
    explicit CFileOpenCounter(const QString& path)
        : m_name(QFileInfo(path).fileName().toStdString()), m_fd(inotify_init1(IN_NONBLOCK))
    {
        inotify_add_watch(m_fd, QFileInfo(path).absolutePath().toLocal8Bit().constData(),
                          IN_OPEN | IN_CLOSE);
    }
    ~CFileOpenCounter() { close(m_fd); }

    int Count()
    {
        alignas(inotify_event) char buffer[64 * 1024];
        for (ssize_t size; (size = read(m_fd, buffer, sizeof buffer)) > 0;) {
            for (char* at = buffer; at < buffer + size;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                m_count += (event->mask & IN_OPEN) != 0 && event->len > 0 && m_name == event->name ? 1 : 0;
                at += sizeof(inotify_event) + event->len;
            }
        }
        return m_count;
    }

private:
    std::string m_name;
    int m_fd;
    int m_count = 0;
};

} // namespace

TEST_F(HistoryComboBox, LongHistoryIsReadWithoutReadingTheStoreOncePerEntry)
{
    constexpr int kEntries = 2000;
    const QString file = QString::fromStdString(AfxGetApp()->GetProfileFileName());
    {
        QSettings store(file, QSettings::NativeFormat); // the application's store, written at once
        for (int index = 0; index <= kEntries; ++index) {
            store.setValue(QString::fromStdString(kSection) + "/HistoryCombo" + QString::number(index),
                           index < kEntries ? QString("host-%1.example").arg(index) : QString());
        }
    }
    CFileOpenCounter opens(file);

    m_combo.LoadHistory(kSection.c_str(), "HistoryCombo", TRUE, nullptr);

    EXPECT_EQ(m_combo.GetCount(), kEntries);
    EXPECT_LE(opens.Count(), 1);
}

TEST_F(HistoryComboBox, LoadsEntriesToTheFirstGapSortedAndRestoresTheCurrentText)
{
    StoreHistory(kSection, {"zeta.example", "Alpha.example", "mid.example"});
    AfxGetApp()->WriteProfileString(kSection, "HistoryCombo4", "after-gap.example");
    AfxGetApp()->WriteProfileString(kSection, "HistoryCombo", "ALPHA.example");

    EXPECT_EQ(m_combo.LoadHistory(kSection.c_str(), "HistoryCombo", TRUE, nullptr), "ALPHA.example");
    EXPECT_EQ(Items(m_combo.m_hWnd), (Texts{"Alpha.example", "mid.example", "zeta.example"}));
    EXPECT_EQ(m_combo.GetCurSel(), 0);
    EXPECT_EQ(m_combo.GetWindowText(), "Alpha.example"); // the item's own case

    // A second load appends the entries again.
    m_combo.LoadHistory(kSection.c_str(), "HistoryCombo", TRUE, nullptr);
    EXPECT_EQ(m_combo.GetCount(), 6);
}

TEST_F(HistoryComboBox, CurrentTextNotInTheListGoesIntoTheEditField)
{
    StoreHistory(kSection, {"a.example"});
    AfxGetApp()->WriteProfileString(kSection, "HistoryCombo", "  typed once ");
    m_combo.SetWindowText("before");

    EXPECT_EQ(m_combo.LoadHistory(kSection.c_str(), "HistoryCombo"), "  typed once ");
    EXPECT_EQ(m_combo.GetCurSel(), CB_ERR);
    EXPECT_EQ(m_combo.GetWindowText(), "  typed once ");
}

TEST_F(HistoryComboBox, EmptySectionLeavesTheFieldAndReturnsNothing)
{
    m_combo.SetWindowText("kept");
    EXPECT_EQ(m_combo.LoadHistory(kSection.c_str(), "HistoryCombo"), "");
    EXPECT_EQ(m_combo.GetCount(), 0);
    EXPECT_EQ(m_combo.GetWindowText(), "kept");
}

TEST_F(HistoryComboBox, WithoutSectionStorageStaysOff)
{
    for (const char* section : {static_cast<const char*>(nullptr), ""}) {
        EXPECT_EQ(m_combo.LoadHistory(section, "HistoryCombo"), "");
    }
    EXPECT_EQ(m_combo.LoadHistory(kSection.c_str(), nullptr), "");

    m_combo.SetWindowText("new.example");
    m_combo.SaveHistory(TRUE);
    EXPECT_EQ(StoredHistory(kSection), Texts{});
    EXPECT_EQ(Profile(kSection, "HistoryCombo"), "");

    EXPECT_EQ(m_combo.AddToHistory(" b "), 0);
    EXPECT_EQ(m_combo.AddToHistory(" a "), 0); // a plain sorted add, unstripped
    EXPECT_EQ(Items(m_combo.m_hWnd), (Texts{" a ", " b "}));
}

TEST_F(HistoryComboBox, AddPutsTheStrippedTextOnTopAndDropsAnOlderCopy)
{
    StoreHistory(kSection, {"alpha.example", "Beta.example", "gamma.example"});
    m_combo.LoadHistory(kSection.c_str(), "HistoryCombo");

    EXPECT_EQ(m_combo.AddToHistory("  BETA.example \t"), 0);
    EXPECT_EQ(Items(m_combo.m_hWnd), (Texts{"BETA.example \t", "alpha.example", "Beta.example", "gamma.example"}));

    EXPECT_EQ(m_combo.AddToHistory(" GAMMA.EXAMPLE "), 0);
    EXPECT_EQ(Items(m_combo.m_hWnd), (Texts{"GAMMA.EXAMPLE", "BETA.example \t", "alpha.example", "Beta.example"}));
    EXPECT_EQ(m_combo.GetCurSel(), 0);
    EXPECT_EQ(m_combo.GetWindowText(), "GAMMA.EXAMPLE");

    // Equal to the top item: the new copy replaces it, the count stays.
    EXPECT_EQ(m_combo.AddToHistory("gamma.example"), 0);
    EXPECT_EQ(Items(m_combo.m_hWnd), (Texts{"gamma.example", "BETA.example \t", "alpha.example", "Beta.example"}));
}

TEST_F(HistoryComboBox, SaveWritesElevenEntriesWithTheNewHostFirst)
{
    Texts stored;
    for (char letter = 'a'; letter <= 'k'; ++letter) {
        stored.push_back(std::string(1, letter) + ".example");
    }
    StoreHistory(kSection, stored);
    m_combo.LoadHistory(kSection.c_str(), "HistoryCombo");
    m_combo.SetWindowText(" \tnew.example\r\n");

    m_combo.SaveHistory(TRUE);

    Texts expected{"new.example"};
    expected.insert(expected.end(), stored.begin(), stored.begin() + 10);
    EXPECT_EQ(StoredHistory(kSection), expected);
    EXPECT_EQ(Profile(kSection, "HistoryCombo11"), "");
    EXPECT_EQ(Profile(kSection, "HistoryCombo"), "new.example");
}

TEST_F(HistoryComboBox, BlankTextAddsNothingButIsStoredAsCurrent)
{
    StoreHistory(kSection, {"b.example", "a.example"});
    m_combo.LoadHistory(kSection.c_str(), "HistoryCombo");
    m_combo.SetWindowText("   ");

    m_combo.SaveHistory(TRUE);

    EXPECT_EQ(StoredHistory(kSection), (Texts{"a.example", "b.example"}));
    EXPECT_EQ(Profile(kSection, "HistoryCombo"), "   ");
}

TEST_F(HistoryComboBox, NameOfTheCurrentTextValue)
{
    AfxGetApp()->WriteProfileString(kSection, "Last", "from-last");
    AfxGetApp()->WriteProfileString(kSection, "Mine", "from-mine");
    EXPECT_EQ(m_combo.LoadHistory(kSection.c_str(), ""), "from-last");
    EXPECT_EQ(m_combo.CurrentEntryName(), "Last");

    CHistoryComboBox named;
    ASSERT_TRUE(named.SubclassWindow(m_host.Add(HistoryComboItem())));
    EXPECT_EQ(named.LoadHistory(kSection.c_str(), "HistoryCombo", TRUE, "Mine"), "from-mine");

    CHistoryComboBox notKept;
    ASSERT_TRUE(notKept.SubclassWindow(m_host.Add(HistoryComboItem())));
    EXPECT_EQ(notKept.LoadHistory(kSection.c_str(), "HistoryCombo", FALSE, "Mine"), "");
    notKept.SetWindowText("x.example");
    notKept.SaveHistory(TRUE);
    EXPECT_EQ(Profile(kSection, "Mine"), "from-mine");
    EXPECT_EQ(StoredHistory(kSection), Texts{"x.example"});
}
