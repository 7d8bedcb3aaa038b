#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/foundation/GDynamicResourceProvider.h"
#include "polykern/foundation/GObj.h"

namespace {

// Data made by a provider: which provider made it, and from what.
class Made : public GObj {
public:
    Made(std::string by, GObj* from) : who(std::move(by)), source(from) {}
    std::string who;
    GObj* source;
};

// Makes one Made per resource and logs every make and free.
class LoggingProvider : public GDynamicResourceProvider {
public:
    LoggingProvider(std::string name, std::vector<std::string>* log, GDynamicResourceProvider* src)
        : GDynamicResourceProvider(src), m_Name(std::move(name)), m_Log(log) {}
    ~LoggingProvider() override { Clear(); }

    GObj* MakeResourceData(GObj* resource) override {
        m_Log->push_back("make " + m_Name);
        ++live;
        return new Made(m_Name, resource);
    }
    void FreeResourceData(GObj* data) override {
        m_Log->push_back(data == nullptr ? "free " + m_Name + " null" : "free " + m_Name);
        if (data != nullptr) --live;
        delete data;
    }
    int live = 0;

private:
    std::string m_Name;
    std::vector<std::string>* m_Log;
};

GObj* FakeKey(std::uintptr_t address) {
    return reinterpret_cast<GObj*>(address);
}

TEST(GDynamicResourceProvider, ListenersHearOfResourcesLastRegisteredFirst) {
    std::vector<std::string> log;
    LoggingProvider root("root", &log, nullptr);
    LoggingProvider first("first", &log, &root);
    LoggingProvider second("second", &log, &root);
    EXPECT_EQ(root.GetListenerCount(), 2);
    GObj resource;
    root.AddResource(&resource);
    EXPECT_EQ(log, (std::vector<std::string>{"make root", "make second", "make first"}));

    // Each listener keyed its data by the root's data for the resource.
    GObj* rootData = root.GetResourceData(&resource);
    ASSERT_NE(rootData, nullptr);
    auto* firstData = static_cast<Made*>(first.GetResourceData(rootData));
    ASSERT_NE(firstData, nullptr);
    EXPECT_EQ(firstData->source, rootData);
}

TEST(GDynamicResourceProvider, RemovalReleasesTheDeepestDataFirst) {
    std::vector<std::string> log;
    LoggingProvider root("root", &log, nullptr);
    LoggingProvider middle("middle", &log, &root);
    LoggingProvider leaf("leaf", &log, &middle);
    GObj resource;
    root.AddResource(&resource);
    EXPECT_EQ(log, (std::vector<std::string>{"make root", "make middle", "make leaf"}));
    log.clear();
    root.RemoveResource(&resource);
    EXPECT_EQ(log, (std::vector<std::string>{"free leaf", "free middle", "free root"}));
    EXPECT_TRUE(root.IsEmpty());
    EXPECT_TRUE(middle.IsEmpty());
    EXPECT_TRUE(leaf.IsEmpty());
}

TEST(GDynamicResourceProvider, AnUnknownResourceHandsNullOn) {
    std::vector<std::string> log;
    LoggingProvider root("root", &log, nullptr);
    LoggingProvider leaf("leaf", &log, &root);
    GObj stranger;
    root.RemoveResource(&stranger);
    EXPECT_EQ(log, (std::vector<std::string>{"free leaf null", "free root null"}));
}

TEST(GDynamicResourceProvider, ReplacedDataIsReleasedAndListenersFollow) {
    std::vector<std::string> log;
    LoggingProvider root("root", &log, nullptr);
    LoggingProvider leaf("leaf", &log, &root);
    GObj resource;
    root.AddResource(&resource);
    ASSERT_EQ(root.live, 1);
    ASSERT_EQ(leaf.live, 1);
    log.clear();
    auto* replacement = new Made("host", &resource);
    ++root.live;
    root.SetResourceData(&resource, replacement);
    EXPECT_EQ(root.GetResourceData(&resource), replacement);
    EXPECT_EQ(root.live, 1);
    EXPECT_EQ(leaf.live, 1);
    EXPECT_EQ(leaf.GetResourceCount(), 1);
    EXPECT_NE(leaf.GetResourceData(replacement), nullptr);
    // Setting the same data again releases nothing.
    root.SetResourceData(&resource, replacement);
    EXPECT_EQ(root.live, 1);
}

TEST(GDynamicResourceProvider, ClearReleasesEveryPieceAndDestructorsLeakNothing) {
    std::vector<std::string> log;
    int rootLive = 0, leafLive = 0;
    {
        LoggingProvider root("root", &log, nullptr);
        LoggingProvider leaf("leaf", &log, &root);
        GObj a, b, c;
        root.AddResource(&a);
        root.AddResource(&b);
        root.AddResource(&c);
        EXPECT_EQ(root.GetResourceCount(), 3);
        GArrayCollection resources, data;
        root.GetResource(&resources, &data);
        EXPECT_EQ(resources.size(), 3);
        EXPECT_EQ(data.size(), 3);
        EXPECT_TRUE(resources.contains(&b));
        root.Clear();
        EXPECT_TRUE(root.IsEmpty());
        EXPECT_TRUE(leaf.IsEmpty());
        rootLive = root.live;
        leafLive = leaf.live;
        root.AddResource(&a);
        // Both destructors clear what is left: the sanitizer build sees any leak.
    }
    EXPECT_EQ(rootLive, 0);
    EXPECT_EQ(leafLive, 0);
}

TEST(GDynamicResourceProvider, PointerKeysFourGiBApartStayApart) {
    // The low 32 bits agree, so an int difference of the two keys would say "equal".
    std::vector<std::string> log;
    LoggingProvider root("root", &log, nullptr);
    const std::uintptr_t low = 0x1000;
    const std::uintptr_t high = low + (std::uintptr_t{1} << 32);
    root.AddResource(FakeKey(low));
    root.AddResource(FakeKey(high));
    EXPECT_EQ(root.GetResourceCount(), 2);
    auto* lowData = static_cast<Made*>(root.GetResourceData(FakeKey(low)));
    auto* highData = static_cast<Made*>(root.GetResourceData(FakeKey(high)));
    ASSERT_NE(lowData, nullptr);
    ASSERT_NE(highData, nullptr);
    EXPECT_EQ(lowData->source, FakeKey(low));
    EXPECT_EQ(highData->source, FakeKey(high));
    root.Clear();
    EXPECT_EQ(root.live, 0);
}

TEST(GDynamicResourceProvider, AListenerDestroyedFirstLeavesItsSource) {
    std::vector<std::string> log;
    LoggingProvider root("root", &log, nullptr);
    {
        LoggingProvider leaf("leaf", &log, &root);
        EXPECT_EQ(root.GetListenerCount(), 1);
        EXPECT_EQ(leaf.GetSource(), &root);
    }
    EXPECT_EQ(root.GetListenerCount(), 0);
    GObj resource;
    root.AddResource(&resource);
    EXPECT_EQ(log, (std::vector<std::string>{"make root"}));
}

}  // namespace
