// A process whose echo module lacks an entry point: start-up fails once and is never
// tried again. Runs in its own process, since start-up happens once per process.

#include "LastError.h"
#include "Modules.h"
#include "ReportTracer.h"
#include "ScriptedEcho.h"

#include <gtest/gtest.h>

TEST(EngineStartUpTest, MissingEntryPointFailsNowAndEveryLaterTrace)
{
    win::RegisterModule({"ICMP.DLL",
                         {{"IcmpCreateFile", reinterpret_cast<win::FARPROC>(&CScriptedEcho::Create)},
                          {"IcmpCloseHandle", reinterpret_cast<win::FARPROC>(&CScriptedEcho::Close)}}});
    CReportTracer tracer;
    CHopResultArray hops;
    EXPECT_FALSE(tracer.Trace("127.0.0.1", hops, 30, 100, 3));
    EXPECT_EQ(win::GetLastError(), ERROR_PROC_NOT_FOUND);

    CScriptedEcho::Register(); // a complete module now: too late, start-up is not repeated
    win::SetLastError(4242);
    EXPECT_FALSE(tracer.Trace("127.0.0.1", hops, 30, 100, 3));
    EXPECT_EQ(win::GetLastError(), 4242u);
    EXPECT_TRUE(CScriptedEcho::Instance().m_probes.empty());
    EXPECT_EQ(hops.GetSize(), 0u);
}
