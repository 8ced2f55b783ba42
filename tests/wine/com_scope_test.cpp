// COM per thread: a scope initialises and uninitialises in pairs, and the document model relies on the
// thread's owner for COM instead of initialising it itself.
#include "platform/ComScope.h"
#include "xml/XmlDom.h"

#include <objbase.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

// The calling thread's apartment, or APTTYPE_CURRENT (-1) when it has no COM.
int Apartment() {
    APTTYPE type{};
    APTTYPEQUALIFIER qualifier{};
    return CoGetApartmentType(&type, &qualifier) == S_OK ? static_cast<int>(type) : APTTYPE_CURRENT;
}

template <typename F> void OnFreshThread(F body) {
    std::thread(body).join();
}

TEST(ComScope, GivesTheThreadAnApartmentForItsLifetimeOnly) {
    OnFreshThread([] {
        ASSERT_EQ(Apartment(), APTTYPE_CURRENT);
        {
            plat::ComScope outer;
            EXPECT_TRUE(outer.Initialized());
            {
                plat::ComScope inner; // S_FALSE: initialised again, so undone again
                EXPECT_TRUE(inner.Initialized());
            }
            EXPECT_EQ(Apartment(), APTTYPE_STA);
        }
        EXPECT_EQ(Apartment(), APTTYPE_CURRENT);
    });
}

TEST(ComScope, LeavesAMultiThreadedApartmentAlone) {
    OnFreshThread([] {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
        {
            plat::ComScope scope;
            EXPECT_FALSE(scope.Initialized());
            EXPECT_EQ(scope.Result(), RPC_E_CHANGED_MODE);
        }
        EXPECT_EQ(Apartment(), APTTYPE_MTA);
        CoUninitialize();
    });
}

TEST(ComScope, DocumentOnAThreadWithoutComFailsAndSaysWhy) {
    OnFreshThread([] {
        xml::TXmlDocument doc;
        try {
            doc.LoadFromBytes("<a/>");
            ADD_FAILURE() << "a document loaded without COM";
        } catch (const xml::EXmlError& error) {
            EXPECT_NE(std::string(error.what()).find("COM is not initialised"), std::string::npos)
                << error.what();
        }
        EXPECT_EQ(Apartment(), APTTYPE_CURRENT);
        plat::ComScope com;
        xml::TXmlDocument withCom; // released before the scope ends
        withCom.LoadFromBytes("<a/>");
        EXPECT_EQ(withCom.DocumentElement().NodeName(), "a");
    });
}

} // namespace
