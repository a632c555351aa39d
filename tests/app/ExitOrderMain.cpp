// The program's own arrangement: the application object is defined in the file with main,
// which the linker puts before the libraries. At its destruction the echo library must
// still be loaded: the holder is released after it.

#include "QuorailApp.h"

#include <cstdio>

namespace {

class CExitOrderApp : public CQuorailApp {
public:
    ~CExitOrderApp() override { std::puts(g_IcmpModule.m_hModule != nullptr ? "loaded" : "unloaded"); }
};

CExitOrderApp theApp;

} // namespace

int main()
{
    g_IcmpModule.m_hModule = win::LoadLibraryA("ICMP.DLL");
    return g_IcmpModule.m_hModule != nullptr ? 0 : 1;
}
