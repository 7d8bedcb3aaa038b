#pragma once

// A host's view of the plug-in: loaded by file name, used through the abstract modeler
// interface only, and unloaded after each test.

#include <gtest/gtest.h>

#include "polykern/foundation/GDynamicClass.h"
#include "polykern/modeler/G3AbstractModeler.h"
#include "sheetlink/Sheetlink_Body.h"

namespace pktest {

/// The plug-in's file name, found beside the kernel.
constexpr const char* kPluginName = "libModelbridge.so";

/// Releases a body through the modeler that made it.
class BodyHolder {
public:
    BodyHolder(G3AbstractModeler* modeler, Sheetlink_Body* body)
        : m_Modeler(modeler), m_Body(body) {}
    ~BodyHolder() {
        if (m_Body != nullptr) m_Modeler->DeleteBody(m_Body);
    }
    BodyHolder(const BodyHolder&) = delete;
    BodyHolder& operator=(const BodyHolder&) = delete;
    Sheetlink_Body* get() const { return m_Body; }
    Sheetlink_Body* operator->() const { return m_Body; }
    explicit operator bool() const { return m_Body != nullptr; }

private:
    G3AbstractModeler* m_Modeler;
    Sheetlink_Body* m_Body;
};

/// Loads the plug-in before each test and unloads it after.
class PluginTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(GDynamicClass::Load(&m_Class, kPluginName), 1);
        m_Modeler = dynamic_cast<G3AbstractModeler*>(m_Class);
        ASSERT_NE(m_Modeler, nullptr);
    }
    void TearDown() override { GDynamicClass::Unload(&m_Class); }

    G3AbstractModeler* Modeler() const { return m_Modeler; }
    /// Takes a body the test made (plain new) or the modeler returned.
    BodyHolder Hold(Sheetlink_Body* body) const { return BodyHolder(m_Modeler, body); }

    GDynamicClass* m_Class = nullptr;
    G3AbstractModeler* m_Modeler = nullptr;
};

}  // namespace pktest
