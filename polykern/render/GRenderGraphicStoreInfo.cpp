#include "polykern/render/GRenderGraphicStoreInfo.h"

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/foundation/GHeap.h"

PK_DEFINE_POOL(GRenderGraphicStoreInfo, 8192)

namespace {

// A new collection holding the same (not owned) elements, or null for null.
GArrayCollection* CopyCollection(const GArrayCollection* from) {
    if (from == nullptr) return nullptr;
    auto* copy = new GArrayCollection(from->size() > 0 ? from->size() : 1, from->GetGrowth());
    for (int i = 0; i < from->size(); ++i) copy->add(from->get(i));
    return copy;
}

}  // namespace

GRenderGraphicStoreInfo::GRenderGraphicStoreInfo(int renderId, int layerId)
    : m_RenderId(renderId), m_LayerId(layerId) {}

GRenderGraphicStoreInfo::~GRenderGraphicStoreInfo() {
    delete m_LuminanceFrames;
    m_LuminanceFrames = nullptr;
}

GRenderGraphicStoreInfo::GRenderGraphicStoreInfo(const GRenderGraphicStoreInfo& other)
    : GObj(other) {
    CopyFields(other);
}

GRenderGraphicStoreInfo& GRenderGraphicStoreInfo::operator=(const GRenderGraphicStoreInfo& other) {
    if (this != &other) {
        GObj::operator=(other);
        CopyFields(other);
    }
    return *this;
}

void GRenderGraphicStoreInfo::CopyFields(const GRenderGraphicStoreInfo& other) {
    m_RenderId = other.m_RenderId;
    m_Graphic = other.m_Graphic;
    m_ListPos = other.m_ListPos;
    m_Color = other.m_Color;
    m_LayerId = other.m_LayerId;
    m_LayerDrawing = other.m_LayerDrawing;
    m_PenWidth = other.m_PenWidth;
    m_GraphicID = other.m_GraphicID;
    m_Visible = other.m_Visible;
    m_VisibleInViewport = other.m_VisibleInViewport;
    SetLuminanceFrames(CopyCollection(other.m_LuminanceFrames));
}

void GRenderGraphicStoreInfo::Copy(GObj* from) {
    auto* other = dynamic_cast<GRenderGraphicStoreInfo*>(from);
    if (other != nullptr) *this = *other;
}

GRenderGraphicStoreInfo* GRenderGraphicStoreInfo::Duplicate() {
    return new GRenderGraphicStoreInfo(*this);
}

void GRenderGraphicStoreInfo::SetLuminanceFrames(GArrayCollection* frames) {
    if (frames == m_LuminanceFrames) return;
    delete m_LuminanceFrames;
    m_LuminanceFrames = frames;
}
