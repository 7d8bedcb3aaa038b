#pragma once

#include <cstdint>
#include <functional>
#include <map>

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GObj.h"

class G3ExDataProvider;
class GArrayCollection;

/// Flag bits shared by every mesh entity. Bits 0 to 8 are class-specific; shells reuse
/// bits 24 to 27 for their own state, so on a shell the marks read those bits.
enum G3OBJ_FLAGS : int32_t {
    G3OBJ_SELECTED = 0x10000000,
    G3OBJ_MARK = 0x08000000,
    G3OBJ_MARK2 = 0x04000000,
    G3OBJ_MARK3 = 0x01000000,
    G3OBJ_MARK4 = 0x00800000,
    G3OBJ_IN_USE = 0x00400000  // the shell's unused-entity sweeps
};

/// Base of every mesh entity: identifier, flag word with scratch mark bits, one untyped
/// link that the entity never releases, and values kept per outside-data provider. Also
/// keeps the process-wide list of those providers and forwards entity events to them.
class POLYKERN_API G3Obj : public GObj {
public:
    explicit G3Obj(uint32_t word = 0) : GObj(word) {}
    /// Copies identifier, flags, link and lock; the copy starts without outside data.
    G3Obj(const G3Obj& other);
    /// Copies identifier, flags, link and lock; the target keeps its own outside data.
    G3Obj& operator=(const G3Obj& other);
    /// Releases the outside data through its providers; the link is left alone.
    ~G3Obj() override;

    /// Copies identifier, flags and link from a G3Obj; lock and outside data stay.
    void Copy(GObj* from) override;
    virtual double HashCode() { return 0.0; }
    virtual char* ToString() { return nullptr; }
    /// 0 entity, 1 poly-edge, 2 surface, 4 facet.
    virtual int GetObjectType() { return 0; }

    int32_t GetId() const { return m_Id; }
    void SetId(int32_t id) { m_Id = id; }
    int32_t GetFlags() const { return m_Flags; }
    void SetFlags(int32_t flags) { m_Flags = flags; }
    /// Clears the bits of `mask`.
    void ClearFlags(int32_t mask) { m_Flags &= ~mask; }

    bool GetSelected() const { return (m_Flags & G3OBJ_SELECTED) != 0; }
    void SetSelected() { m_Flags |= G3OBJ_SELECTED; }
    void ClearSelected() { ClearFlags(G3OBJ_SELECTED); }
    bool GetMark() const { return (m_Flags & G3OBJ_MARK) != 0; }
    void SetMark() { m_Flags |= G3OBJ_MARK; }
    void ClearMark() { ClearFlags(G3OBJ_MARK); }
    bool GetMark2() const { return (m_Flags & G3OBJ_MARK2) != 0; }
    void SetMark2() { m_Flags |= G3OBJ_MARK2; }
    void ClearMark2() { ClearFlags(G3OBJ_MARK2); }
    bool GetMark3() const { return (m_Flags & G3OBJ_MARK3) != 0; }
    void SetMark3() { m_Flags |= G3OBJ_MARK3; }
    void ClearMark3() { ClearFlags(G3OBJ_MARK3); }
    bool GetMark4() const { return (m_Flags & G3OBJ_MARK4) != 0; }
    void SetMark4() { m_Flags |= G3OBJ_MARK4; }
    void ClearMark4() { ClearFlags(G3OBJ_MARK4); }

    /// The attached object; not owned by the entity.
    GObj* GetExData() const { return m_ExData; }
    /// Stores the link; the old target is not released.
    void SetExData(GObj* data) { m_ExData = data; }
    void LockExDataProvider() { m_Locked = true; }
    void UnLockExDataProvider() { m_Locked = false; }
    bool IsExDataProviderLocked() const { return m_Locked; }

    /// Appends to the process-wide provider list (no duplicate check).
    static void AddProvider(G3ExDataProvider* provider);
    /// The provider at `index`, or null outside the list.
    static G3ExDataProvider* GetProvider(int32_t index);
    /// The first index holding `provider`, or -1.
    static int32_t GetProviderId(G3ExDataProvider* provider);
    /// The process-wide provider list itself.
    static GArrayCollection* GetProviderList();
    /// Removes the first occurrence (the list's last entry moves into its place); false
    /// when absent.
    bool RemoveExDataProvider(G3ExDataProvider* provider);

    /// Every registered provider receives OpenExData(target), unless this entity is locked.
    void ProviderOpenExData(G3Obj* target);
    /// Every registered provider receives SetExData(target); the lock is not consulted.
    void ProviderSetExData(G3Obj* target);
    /// Every registered provider receives TransformExData(target, m); the lock is not consulted.
    void ProviderTransformExData(G3Obj* target, const double m[4][4]);
    /// Each provider with a value on `source` receives CopyExData(this, source).
    void CopyExData(G3Obj* source);

    /// Stores `value` under `provider`, replacing an earlier value without releasing it.
    void SetOutExData(G3ExDataProvider* provider, void* value);
    /// The value under `provider`, or null.
    void* GetOutExData(G3ExDataProvider* provider) const;
    /// True once a value was ever stored, even a null one.
    bool IsOutExDataExist() const { return m_OutExData != nullptr; }
    /// Releases the value of `provider` through it; the entry stays with a null value.
    void RemoveExData(G3ExDataProvider* provider);
    /// Releases every non-null value through its provider, each exactly once.
    void RemoveExData();

private:
    using OutExDataMap = std::map<G3ExDataProvider*, void*, std::less<G3ExDataProvider*>>;

    // The small fields first, where the root's padding leaves room: every mesh entity
    // is 8 bytes smaller than with the lock flag between the two pointers.
    int32_t m_Id = 0;
    int32_t m_Flags = 0;
    bool m_Locked = false;
    GObj* m_ExData = nullptr;
    OutExDataMap* m_OutExData = nullptr;
};
