#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "polykern/exdata/G3ExDataProvider.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Obj.h"

namespace {

// Records every callback as "<name>:<event>".
class RecordingProvider : public G3ExDataProvider {
public:
    RecordingProvider(std::string name, std::vector<std::string>* log)
        : m_Name(std::move(name)), m_Log(log) {}
    void RemoveExData(void* data) override {
        m_Log->push_back(m_Name +
                         ":remove:" + std::to_string(reinterpret_cast<std::intptr_t>(data)));
    }
    void OpenExData(void*) override { m_Log->push_back(m_Name + ":open"); }
    void SetExData(void*) override { m_Log->push_back(m_Name + ":set"); }
    void TransformExData(G3Obj*, const double m[4][4]) override {
        m_Log->push_back(m_Name + ":transform:" + std::to_string(static_cast<int>(m[3][0])));
    }
    void CopyExData(G3Obj* target, G3Obj* source) override {
        m_Log->push_back(m_Name + ":copy");
        target->SetOutExData(this, source->GetOutExData(this));
    }

private:
    std::string m_Name;
    std::vector<std::string>* m_Log;
};

void* Value(std::intptr_t n) {
    return reinterpret_cast<void*>(n);
}

// Registers providers for one test and takes them out again.
class G3ObjProviders : public ::testing::Test {
protected:
    G3ObjProviders() : first("first", &log), second("second", &log) {
        G3Obj::AddProvider(&first);
        G3Obj::AddProvider(&second);
    }
    ~G3ObjProviders() override {
        G3Obj any;
        while (any.RemoveExDataProvider(&first)) {
        }
        while (any.RemoveExDataProvider(&second)) {
        }
    }
    std::vector<std::string> log;
    RecordingProvider first;
    RecordingProvider second;
};

TEST(G3Obj, FlagsAndMarksUseTheirOwnBits) {
    G3Obj o(42);
    EXPECT_EQ(o.GetId(), 0);
    EXPECT_EQ(o.GetFlags(), 0);
    EXPECT_EQ(o.GetWord(), 42u);
    EXPECT_EQ(o.GetObjectType(), 0);
    EXPECT_EQ(o.ToString(), nullptr);
    o.SetFlags(0x3);
    o.SetSelected();
    o.SetMark();
    o.SetMark2();
    o.SetMark3();
    o.SetMark4();
    EXPECT_EQ(o.GetFlags(), 0x10000000 | 0x08000000 | 0x04000000 | 0x01000000 | 0x00800000 | 0x3);
    o.ClearMark2();
    o.ClearSelected();
    EXPECT_FALSE(o.GetMark2());
    EXPECT_FALSE(o.GetSelected());
    EXPECT_TRUE(o.GetMark() && o.GetMark3() && o.GetMark4());
    o.ClearFlags(0x1 | G3OBJ_MARK4);
    EXPECT_EQ(o.GetFlags(), 0x08000000 | 0x01000000 | 0x2);
}

TEST_F(G3ObjProviders, RegistryAnswersTheFirstOccurrence) {
    G3Obj::AddProvider(&first);  // registered twice
    const int32_t base = G3Obj::GetProviderId(&first);
    ASSERT_GE(base, 0);
    EXPECT_EQ(G3Obj::GetProvider(base), &first);
    EXPECT_EQ(G3Obj::GetProvider(-1), nullptr);
    EXPECT_EQ(G3Obj::GetProvider(G3Obj::GetProviderList()->size()), nullptr);
    G3Obj any;
    ASSERT_TRUE(any.RemoveExDataProvider(&first));  // only the first occurrence goes
    EXPECT_GE(G3Obj::GetProviderId(&first), 0);
    ASSERT_TRUE(any.RemoveExDataProvider(&first));
    EXPECT_EQ(G3Obj::GetProviderId(&first), -1);
    EXPECT_FALSE(any.RemoveExDataProvider(&first));
}

TEST_F(G3ObjProviders, LockSuppressesOnlyOpen) {
    G3Obj shell, facet;
    double m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {7, 0, 0, 1}};
    shell.ProviderOpenExData(&facet);
    EXPECT_EQ(log, (std::vector<std::string>{"first:open", "second:open"}));
    log.clear();
    shell.LockExDataProvider();
    shell.ProviderOpenExData(&facet);
    shell.ProviderSetExData(&facet);
    shell.ProviderTransformExData(&facet, m);
    EXPECT_EQ(log, (std::vector<std::string>{"first:set", "second:set", "first:transform:7",
                                             "second:transform:7"}));
    shell.UnLockExDataProvider();
    EXPECT_FALSE(shell.IsExDataProviderLocked());
}

TEST_F(G3ObjProviders, OutsideDataIsReleasedExactlyOnce) {
    {
        G3Obj o;
        EXPECT_EQ(o.GetOutExData(&first), nullptr);
        EXPECT_FALSE(o.IsOutExDataExist());
        o.SetOutExData(&first, nullptr);
        EXPECT_TRUE(o.IsOutExDataExist());
        o.SetOutExData(&first, Value(11));
        o.SetOutExData(&second, Value(22));
        EXPECT_EQ(o.GetOutExData(&second), Value(22));
        o.RemoveExData(&second);
        EXPECT_EQ(o.GetOutExData(&second), nullptr);
        o.RemoveExData(&second);  // already released: nothing more
        EXPECT_EQ(log, (std::vector<std::string>{"second:remove:22"}));
        log.clear();
        o.RemoveExData();
        EXPECT_EQ(log, (std::vector<std::string>{"first:remove:11"}));
        log.clear();
        o.SetOutExData(&second, Value(33));
    }  // the destructor releases what is left, and nothing twice
    EXPECT_EQ(log, (std::vector<std::string>{"second:remove:33"}));
}

TEST_F(G3ObjProviders, CopyKeepsTheTargetsOwnDataAndLock) {
    G3Obj source, target;
    source.SetId(5);
    source.SetFlags(G3OBJ_MARK);
    source.SetExData(&source);
    source.SetOutExData(&first, Value(1));
    source.LockExDataProvider();
    target.SetOutExData(&second, Value(2));
    target.Copy(&source);
    EXPECT_EQ(target.GetId(), 5);
    EXPECT_TRUE(target.GetMark());
    EXPECT_EQ(target.GetExData(), &source);
    EXPECT_FALSE(target.IsExDataProviderLocked());
    EXPECT_EQ(target.GetOutExData(&first), nullptr);
    EXPECT_EQ(target.GetOutExData(&second), Value(2));

    target.CopyExData(&source);  // only providers with a value on the source are asked
    EXPECT_EQ(log, (std::vector<std::string>{"first:copy"}));
    EXPECT_EQ(target.GetOutExData(&first), Value(1));

    G3Obj copied(source);  // a copy owns no outside data of its own yet
    EXPECT_FALSE(copied.IsOutExDataExist());
    EXPECT_TRUE(copied.IsExDataProviderLocked());
    target = source;
    EXPECT_EQ(target.GetOutExData(&second), Value(2));
    source.SetOutExData(&first, nullptr);
    target.SetOutExData(&first, nullptr);
    target.SetOutExData(&second, nullptr);
    log.clear();
}

}  // namespace
