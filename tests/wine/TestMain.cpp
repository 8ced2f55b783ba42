// The main of every Windows test program: the main thread gets COM the way the programs' entries give it
// to theirs, since the DOM and the shell leave initialising it to the thread's owner.
#include "platform/ComScope.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    plat::ComScope com;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
