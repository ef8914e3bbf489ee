// The Windows test host's entry point. The plug-in's windows live on this thread, which
// pumps their messages, as a host's user-interface thread does.

#include <gtest/gtest.h>
#include <objbase.h>

int main (int argc, char** argv)
{
    // A host's user-interface thread is a COM apartment with OLE (drag and drop, accessibility).
    OleInitialize (nullptr);
    ::testing::InitGoogleTest (&argc, argv);
    return RUN_ALL_TESTS();
}
