#pragma once

#include "card/transport/PcscApi.h"

#include <QTest>

// The pcsc-lite library of an end-to-end test, bound in initTestCase and
// released in cleanupTestCase. The test talks to the private pcscd that
// scripts/with-virtual-card starts for it; include this only in tests that
// link the card library.
class PrivatePcscd
{
public:
    // Fails the calling test function when the test was not started through
    // scripts/with-virtual-card or the library does not load.
    void bind()
    {
        QVERIFY2(qEnvironmentVariableIsSet("PCSCLITE_CSOCK_NAME"),
                 "run through scripts/with-virtual-card");
        QVERIFY(bindPcsc(m_library, m_api));
    }

    void unbind() { unbindPcsc(m_library, m_api); }

    const PcscApi& api() const { return m_api; }

private:
    void* m_library = nullptr;
    PcscApi m_api;
};
