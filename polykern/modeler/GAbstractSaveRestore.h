#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GObj.h"

class GFileInterface;
class Sheetlink_Body;

/// A save/restore service a modeler may offer for its bodies. Nothing in this system
/// implements it; G3AbstractModeler::GetAbstractSaveRestore answers null.
class POLYKERN_API GAbstractSaveRestore : public GObj {
public:
    ~GAbstractSaveRestore() override;

    /// Starts writing to `file`; false when it cannot.
    virtual bool BeginSave(GFileInterface* file) = 0;
    /// Writes one body; false when it cannot.
    virtual bool SaveBody(Sheetlink_Body* body) = 0;
    /// Ends writing; false when the file is incomplete.
    virtual bool EndSave() = 0;
    /// Starts reading from `file`; false when it holds no bodies.
    virtual bool BeginRestore(GFileInterface* file) = 0;
    /// The next body read, owned by the caller; null at the end or on a damaged file.
    virtual Sheetlink_Body* RestoreBody() = 0;
    /// Ends reading.
    virtual bool EndRestore() = 0;
    /// The format version written or read.
    virtual int GetVersion() = 0;
    /// Chooses the format version to write; false when it is not supported.
    virtual bool SetVersion(int version) = 0;
    /// The last failure as text; null when none.
    virtual const char* GetErrorText() = 0;
};
