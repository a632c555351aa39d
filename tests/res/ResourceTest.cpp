// The resource tables: texts by id, the accelerator table and the document-type string.

#include "DialogTemplateRegistrar.h"
#include "MenuResource.h"
#include "Resource.h"
#include "StringTable.h"
#include "VersionInfo.h"
#include "WinStyles.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <iterator>
#include <string>

namespace {

TEST(ResourceTest, PromptsSplitIntoStatusTextAndToolTip)
{
    EXPECT_STREQ(CStringTable::Find(ID_CONNECT), "Verbinde mit zu untersuchende URL\nVerbinden");
    EXPECT_STREQ(CStringTable::Find(ID_HELP_MANUAL), "Hilfe und Anleitung\nHilfe");
    EXPECT_STREQ(CStringTable::Find(IDS_SOCKETS_INIT_FAILED), "Fehler beim Initialisieren der Windows-Sockets.");
    EXPECT_STREQ(CStringTable::Find(IDR_MAINFRAME), "Quorail\n\nQuorai\n\n\nQuorail.Document\nQuorai Document");
    EXPECT_STREQ(CStringTable::Find(AFX_IDS_IDLEMESSAGE), "Bereit");
    EXPECT_STREQ(CStringTable::Find(ID_APP_EXIT),
                 "Verläßt die Anwendung; fragt, ob Dokumente gespeichert werden sollen.\nBeenden");
    for (UINT id = ID_FILE_MRU_FILE1; id < ID_FILE_MRU_FILE1 + 15; ++id) {
        EXPECT_STREQ(CStringTable::Find(id), "Öffnet dieses Dokument.");
    }
    EXPECT_EQ(CStringTable::Find(ID_FILE_MRU_FILE1 + 15), nullptr);
}

TEST(ResourceTest, AcceleratorsKeepTheirKeysAndCommands)
{
    const auto& table = CMenuResource::Accelerators();
    ASSERT_EQ(table.size(), 14u);
    const auto has = [&](BYTE flags, WORD key, UINT command) {
        for (const CAccelerator& entry : table) {
            if (entry.m_fVirt == (FVIRTKEY | flags) && entry.m_key == key) {
                return entry.m_cmd == command;
            }
        }
        return false;
    };
    EXPECT_TRUE(has(FCONTROL, 'N', ID_FILE_NEW));
    EXPECT_TRUE(has(FCONTROL, 'P', ID_FILE_PRINT));
    EXPECT_TRUE(has(FALT, VK_BACK, ID_EDIT_UNDO));
    EXPECT_TRUE(has(FSHIFT, VK_DELETE, ID_EDIT_CUT));
    EXPECT_TRUE(has(FCONTROL, VK_INSERT, ID_EDIT_COPY));
    EXPECT_TRUE(has(FSHIFT, VK_INSERT, ID_EDIT_PASTE));
    EXPECT_TRUE(has(0, VK_F6, ID_NEXT_PANE));
    EXPECT_TRUE(has(FSHIFT, VK_F6, ID_PREV_PANE));
}

TEST(ResourceTest, ResultFormIsOneUnsortedListWithoutSelection)
{
    const CDialogTemplate* form = FindDialogTemplate(IDD_RESULT_FORM);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->m_cx, 351);
    EXPECT_EQ(form->m_cy, 199);
    ASSERT_EQ(form->m_items.size(), 1u);
    const CDialogItemTemplate& list = form->m_items[0];
    EXPECT_EQ(list.m_id, IDC_RESULT_LIST);
    EXPECT_EQ((std::array<int, 4>{list.m_x, list.m_y, list.m_cx, list.m_cy}), (std::array<int, 4>{7, 7, 337, 185}));
    EXPECT_EQ(list.m_style & LBS_SORT, 0u);
    EXPECT_NE(list.m_style & LBS_NOSEL, 0u);
}

} // namespace

namespace {

// The desktop entry shows the version resource's values.
TEST(ResourceTest, DesktopEntryCarriesTheVersionValues)
{
    std::ifstream entry(QUORAIL_DESKTOP_FILE);
    ASSERT_TRUE(entry.is_open());
    std::string text((std::istreambuf_iterator<char>(entry)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("\nName=" QUORAIL_VERSION_INTERNALNAME "\n"), std::string::npos);
    EXPECT_NE(text.find("\nComment=" QUORAIL_VERSION_FILEDESCRIPTION "\n"), std::string::npos);
    EXPECT_NE(text.find("\nGenericName=Anwendung Quorail\n"), std::string::npos);
    EXPECT_NE(text.find("\nExec=quorail %f\n"), std::string::npos);
    EXPECT_STREQ(QUORAIL_VERSION_FILEVERSION, "1, 0, 0, 1");
    EXPECT_EQ(text.find('@'), std::string::npos); // every placeholder was filled
}

} // namespace
