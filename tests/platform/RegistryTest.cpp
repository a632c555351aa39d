#include "FakeTools.h"
#include "Registry.h"
#include "RegistryXdg.h"

#include <gtest/gtest.h>

using namespace quorail_test;

namespace {

// The default value of a key below HKEY_CLASSES_ROOT, read the way the program reads it.
std::optional<std::string> Read(const std::string& subKey)
{
    win::HKEY key = nullptr;
    if (win::RegOpenKeyExA(win::HKEY_CLASSES_ROOT, subKey.c_str(), 0, win::KEY_QUERY_VALUE, &key) != 0)
        return std::nullopt;
    char buffer[260] = {};
    win::LONG size = sizeof buffer;
    const win::LONG status = win::RegQueryValueA(key, nullptr, buffer, &size);
    win::RegCloseKey(key);
    if (status != 0)
        return std::nullopt;
    return std::string(buffer);
}

} // namespace

TEST(Registry, ExtensionGivesTheMimeTypeFromTheGlobs)
{
    CFakeDesktop desktop;
    // The user's folder has only the old globs file; the system one has weighted globs2.
    WriteFile(desktop.File("data/mime/globs"), "# comment\napplication/x-home:*.home\n");
    WriteFile(desktop.File("sysdata/mime/globs2"),
              "50:text/plain:*.htm\n60:text/html:*.htm\n50:application/x-home:*.sys\n"
              "50:text/x-exact:*.Cs:cs\n");

    EXPECT_EQ(Read(".htm"), "text/html");
    EXPECT_EQ(Read(".HTM"), "text/html");
    EXPECT_EQ(Read(".home"), "application/x-home");
    EXPECT_EQ(Read(".Cs"), "text/x-exact");
    EXPECT_EQ(Read(".cs"), std::nullopt);
    EXPECT_EQ(Read(".none"), std::nullopt);
}

TEST(Registry, OpenCommandIsTheDefaultApplicationsExecLine)
{
    CFakeDesktop desktop;
    desktop.InstallBrowser("fakebrowser --new-window %u --class=x");
    EXPECT_EQ(Read("text/html\\shell\\open\\command"), "fakebrowser --new-window %1 --class=x");
    EXPECT_EQ(Read("TEXT/HTML\\Shell\\Open\\Command"), "fakebrowser --new-window %1 --class=x");

    win::HKEY type = nullptr;
    win::HKEY command = nullptr;
    EXPECT_EQ(win::RegOpenKeyExA(win::HKEY_CLASSES_ROOT, "text/html", 0, win::KEY_QUERY_VALUE, &type),
              static_cast<win::LONG>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(win::RegOpenKeyExA(win::HKEY_CLASSES_ROOT, "", 0, win::KEY_QUERY_VALUE, &command),
              static_cast<win::LONG>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(Read("application/x-none\\shell\\open\\command"), std::nullopt);
    EXPECT_EQ(Read("Software\\Velmora"), std::nullopt);
}

TEST(Registry, FieldCodesOfTheExecLine)
{
    EXPECT_EQ(win::xdg::ExecToOpenCommand("b \"%U\" %i %c %k -x"), "b \"%1\"    -x");
    EXPECT_EQ(win::xdg::ExecToOpenCommand("b %F 100%% %"), "b %1 100% ");
    EXPECT_EQ(win::xdg::ExecToOpenCommand("b"), "b");
}

TEST(Registry, DefaultApplicationFollowsTheXdgOrder)
{
    CFakeDesktop desktop;
    auto entry = [&](const std::string& folder, const std::string& id, const std::string& extra = "") {
        WriteFile(desktop.File(folder + "/applications/" + id),
                  "[Desktop Entry]\nName=" + id + "\n" + extra + "Exec=" + id + " %u\n[Other]\nExec=wrong\n");
    };
    entry("sysdata", "cached.desktop");
    entry("sysdata", "removed.desktop");
    entry("data", "added.desktop");
    entry("sysdata", "hidden.desktop", "Hidden=true\n");
    WriteFile(desktop.File("sysdata/applications/mimeinfo.cache"),
              "[MIME Cache]\ntext/html=removed.desktop;cached.desktop;\n");

    EXPECT_EQ(win::xdg::DefaultApplication("text/html"), "removed.desktop");

    WriteFile(desktop.File("config/mimeapps.list"), "[Removed Associations]\ntext/html=removed.desktop\n");
    EXPECT_EQ(win::xdg::DefaultApplication("text/html"), "cached.desktop");

    WriteFile(desktop.File("sysconfig/mimeapps.list"), "[Added Associations]\ntext/html=gone.desktop;added.desktop\n");
    EXPECT_EQ(win::xdg::DefaultApplication("text/html"), "added.desktop");

    WriteFile(desktop.File("data/applications/mimeapps.list"),
              "[Default Applications]\ntext/html=gone.desktop;hidden.desktop;removed.desktop\n");
    EXPECT_EQ(win::xdg::DefaultApplication("Text/HTML"), "removed.desktop");
    EXPECT_EQ(win::xdg::DefaultApplication("image/png"), std::nullopt);
}

TEST(Registry, QueryValueSizesAndHandles)
{
    CFakeDesktop desktop;
    desktop.InstallBrowser("fakebrowser %u");
    win::LONG size = 0;
    EXPECT_EQ(win::RegQueryValueA(win::HKEY_CLASSES_ROOT, ".htm", nullptr, &size), 0);
    EXPECT_EQ(size, 10);

    char small[4] = {'x', 'x', 'x', 'x'};
    size = sizeof small;
    EXPECT_EQ(win::RegQueryValueA(win::HKEY_CLASSES_ROOT, ".htm", small, &size), win::ERROR_MORE_DATA);
    EXPECT_EQ(size, 10);
    EXPECT_EQ(small[0], 'x');

    win::HKEY key = nullptr;
    char buffer[64];
    size = sizeof buffer;
    ASSERT_EQ(win::RegOpenKeyExA(win::HKEY_CLASSES_ROOT, "text/html\\shell", 0, win::KEY_QUERY_VALUE, &key),
              static_cast<win::LONG>(ERROR_FILE_NOT_FOUND));
    ASSERT_EQ(win::RegOpenKeyExA(win::HKEY_CLASSES_ROOT, "text/html\\shell\\open\\command", 0,
                                 win::KEY_QUERY_VALUE, &key),
              0);
    EXPECT_EQ(win::RegQueryValueA(key, "", buffer, &size), 0);
    EXPECT_STREQ(buffer, "fakebrowser %1");
    EXPECT_EQ(win::RegCloseKey(key), 0);
    EXPECT_EQ(win::RegOpenKeyExA(win::HKEY_CURRENT_USER, ".htm", 0, win::KEY_QUERY_VALUE, &key),
              win::ERROR_INVALID_HANDLE);
}
