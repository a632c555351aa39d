#include "ComboBox.h"
#include "ControlsTestKit.h"
#include "MessageBeep.h"
#include "WinDefs.h"
#include "WinStyles.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

using Texts = std::vector<std::string>;

TEST(ComboBox, SortedAddUnsortedInsertAndTheEditFieldLeftAlone)
{
    CControlHost host;
    CComboBox combo;
    ASSERT_TRUE(combo.SubclassWindow(host.Add(HistoryComboItem())));
    combo.SetWindowText("typed");

    EXPECT_EQ(combo.AddString("beta"), 0);
    EXPECT_EQ(combo.AddString("Alpha"), 0);
    EXPECT_EQ(combo.AddString("gamma"), 2);
    EXPECT_EQ(combo.AddString("BETA"), 2); // after its equal
    EXPECT_EQ(combo.InsertString(0, "zulu"), 0);
    EXPECT_EQ(combo.InsertString(-1, "aaa"), 5);
    EXPECT_EQ(combo.InsertString(9, "x"), CB_ERR);
    EXPECT_EQ(Items(combo.m_hWnd), (Texts{"zulu", "Alpha", "beta", "BETA", "gamma", "aaa"}));
    // Qt would select the first item put into an empty box.
    EXPECT_EQ(combo.GetCurSel(), CB_ERR);
    EXPECT_EQ(combo.GetWindowText(), "typed");

    CComboBox unsorted;
    ASSERT_TRUE(unsorted.SubclassWindow(host.Add(HistoryComboItem(0, CBS_SORT))));
    unsorted.AddString("b");
    unsorted.AddString("a");
    EXPECT_EQ(Items(unsorted.m_hWnd), (Texts{"b", "a"}));
}

TEST(ComboBox, ExactSearchIgnoresCaseStartsAfterTheIndexAndWraps)
{
    CControlHost host;
    CComboBox combo;
    ASSERT_TRUE(combo.SubclassWindow(host.Add(HistoryComboItem(0, CBS_SORT))));
    for (const char* text : {"host", "other", "HOST", "hostname"}) {
        combo.AddString(text);
    }
    EXPECT_EQ(combo.FindStringExact(-1, "Host"), 0);
    EXPECT_EQ(combo.FindStringExact(0, "host"), 2);
    EXPECT_EQ(combo.FindStringExact(2, "host"), 0);
    EXPECT_EQ(combo.FindStringExact(3, "HOST"), 0);
    EXPECT_EQ(combo.FindStringExact(-1, "hos"), CB_ERR);
    EXPECT_EQ(combo.FindStringExact(-1, "\xFC"), CB_ERR);
}

TEST(ComboBox, SelectionCopiesTextAndDeletingOrClearingKeepsOrEmptiesTheField)
{
    CControlHost host;
    CComboBox combo;
    ASSERT_TRUE(combo.SubclassWindow(host.Add(HistoryComboItem())));
    combo.AddString("a.example");
    combo.AddString("b.example");
    combo.AddString("Gr\xFC\xDF" "e.example");

    EXPECT_EQ(combo.SetCurSel(2), 2);
    EXPECT_EQ(combo.GetWindowText(), "Gr\xFC\xDF" "e.example");
    EXPECT_EQ(combo.GetLBText(2), "Gr\xFC\xDF" "e.example");

    EXPECT_EQ(combo.DeleteString(2), 2);
    EXPECT_EQ(combo.GetCurSel(), CB_ERR);
    EXPECT_EQ(combo.GetWindowText(), "Gr\xFC\xDF" "e.example");
    EXPECT_EQ(combo.DeleteString(5), CB_ERR);

    combo.SetCurSel(1);
    EXPECT_EQ(combo.SetCurSel(-1), CB_ERR);
    EXPECT_EQ(combo.GetCurSel(), CB_ERR);
    EXPECT_EQ(combo.GetWindowText(), "");
    std::string text;
    EXPECT_EQ(combo.GetLBText(7, text), CB_ERR);
}

TEST(ComboBox, EditFieldTakesOnlyWhatFitsWithoutAutoScroll)
{
    CControlHost host;
    CComboBox narrow;
    ASSERT_TRUE(narrow.SubclassWindow(host.Add(HistoryComboItem())));
    CComboBox scrolling;
    ASSERT_TRUE(scrolling.SubclassWindow(host.Add(HistoryComboItem(CBS_AUTOHSCROLL))));
    const QString longText(400, QLatin1Char('w'));
    host.Window()->show();

    std::vector<QString> kept;
    std::vector<std::size_t> beeps;
    for (CComboBox* combo : {&narrow, &scrolling}) {
        CMessageBeepHook hook;
        QLineEdit* edit = qobject_cast<QComboBox*>(combo->m_hWnd)->lineEdit();
        edit->setFocus();
        QTest::keyClicks(edit, longText);
        kept.push_back(edit->text());
        combo->SetWindowText(std::string(500, 'w')); // the program's own text: no beep
        beeps.push_back(hook.m_beeps.size());
    }
    EXPECT_GT(kept[0].size(), 5);
    EXPECT_LT(kept[0].size(), longText.size());
    EXPECT_EQ(beeps[0], static_cast<std::size_t>(longText.size() - kept[0].size())); // one per refused key
    EXPECT_EQ(kept[1], longText);
    EXPECT_EQ(beeps[1], 0u);
    // The visible field is one edit line high, not the template's height with the list.
    EXPECT_LT(narrow.m_hWnd->height(), 40);
}

TEST(ComboBox, TypedTextIsNeitherCompletedNorReplacedByAnItem)
{
    CControlHost host;
    CComboBox combo;
    ASSERT_TRUE(combo.SubclassWindow(host.Add(HistoryComboItem())));
    combo.AddString("Alpha.example");
    combo.AddString("beta.example");
    host.Window()->show();
    QLineEdit* edit = qobject_cast<QComboBox*>(combo.m_hWnd)->lineEdit();
    edit->setFocus();

    QTest::keyClicks(edit, "al");
    EXPECT_EQ(combo.GetWindowText(), "al");
    edit->clear();
    QTest::keyClicks(edit, "ALPHA.example");
    QTest::keyClick(edit, Qt::Key_Return);
    edit->clearFocus();
    EXPECT_EQ(combo.GetWindowText(), "ALPHA.example");
    EXPECT_EQ(combo.GetCurSel(), CB_ERR);
}
