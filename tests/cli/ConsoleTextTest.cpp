// quorail-trace's texts on the terminal: umlauts as the window writes them, in the
// terminal's character set, and advice that never hands a capability to the tracer itself.

#include "ConsoleText.h"
#include "ErrorText.h"

#include <gtest/gtest.h>

using ECharset = CConsoleText::ECharset;

TEST(ConsoleText, UmlautsFollowTheTerminalsCharacterSet)
{
    const std::string text = "F\xE4higkeit \xFC" "ber Stra\xDF" "e \x80";
    EXPECT_EQ(CConsoleText::Convert(text, ECharset::Utf8), "F\xC3\xA4higkeit \xC3\xBC" "ber Stra\xC3\x9F" "e \xE2\x82\xAC");
    EXPECT_EQ(CConsoleText::Convert(text, ECharset::Latin1), text);
    EXPECT_EQ(CConsoleText::Convert(text, ECharset::Ascii), "Faehigkeit ueber Strasse ?");
}

TEST(ConsoleText, NoPermissionAdviceNamesTheHelperAndThePingSockets)
{
    const std::string reason = CErrorText::ReasonFor(ERROR_ACCESS_DENIED);
    EXPECT_NE(reason.find("sudo setcap cap_net_raw+ep " + CErrorText::HelperPath() + ")"), std::string::npos) << reason;
    EXPECT_TRUE(CErrorText::HelperPath().ends_with("/quorail-probe")) << CErrorText::HelperPath();
    EXPECT_NE(reason.find("sudo sysctl net.ipv4.ping_group_range="), std::string::npos) << reason;
    EXPECT_EQ(reason.find("quorail-trace"), std::string::npos) << reason;
    EXPECT_NE(reason.find("F\xE4higkeit"), std::string::npos) << reason;
}
