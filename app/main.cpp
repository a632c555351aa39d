// quorail [/nologo] [FILE] | /p FILE | /pt FILE PRINTER

#include "QuorailApp.h"

CQuorailApp theApp;

int main(int argc, char** argv)
{
    return AfxWinMain(argc, argv);
}
