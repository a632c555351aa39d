// The main of the Qt layers' test programs.

#include "OffscreenTestRun.h"

int main(int argc, char** argv)
{
    return RunOffscreenTests(argc, argv);
}
