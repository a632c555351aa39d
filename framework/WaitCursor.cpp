#include "WaitCursor.h"

#include "WinApp.h"

CWaitCursor::CWaitCursor()
{
    AfxGetApp()->BeginWaitCursor();
}

CWaitCursor::~CWaitCursor()
{
    AfxGetApp()->EndWaitCursor();
}

void CWaitCursor::Restore()
{
    AfxGetApp()->EndWaitCursor();
    AfxGetApp()->BeginWaitCursor();
}
