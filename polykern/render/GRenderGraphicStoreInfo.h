#pragma once

#include <cstdint>

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GObj.h"
#include "polykern/foundation/GPooled.h"

class GArrayCollection;

/// The record a host renderer keeps per drawable graphic: its render list and layer, colour,
/// pen width, visibility and an optional collection of luminance frames. Lives in its own
/// pool. Owns the luminance-frames collection (not its elements); a copy gets a collection
/// of its own holding the same elements, so no collection is ever destroyed twice.
class POLYKERN_API GRenderGraphicStoreInfo : public GObj {
    PK_DECLARE_POOL(GRenderGraphicStoreInfo)

public:
    /// A visible record of that render list and layer: graphic 0, colour 0, layer drawing 0,
    /// pen width 0, graphic ID 0, list position 0, no luminance frames.
    GRenderGraphicStoreInfo(int renderId, int layerId);
    /// Destroys the owned luminance-frames collection.
    ~GRenderGraphicStoreInfo() override;
    /// Copies every field; the luminance frames are copied into a new collection.
    GRenderGraphicStoreInfo(const GRenderGraphicStoreInfo& other);
    /// Copies every field; the collection held so far is destroyed and the luminance frames
    /// are copied into a new collection.
    GRenderGraphicStoreInfo& operator=(const GRenderGraphicStoreInfo& other);

    /// Takes every field of another render record as the assignment does; anything else
    /// leaves this record unchanged.
    void Copy(GObj* from) override;
    /// A new record equal to this one, owned by the caller.
    GRenderGraphicStoreInfo* Duplicate() override;

    int GetRenderId() const { return m_RenderId; }
    int GetLayerId() const { return m_LayerId; }
    int GetLayerDrawing() const { return m_LayerDrawing; }
    void SetLayerDrawing(int mode) { m_LayerDrawing = mode; }
    int GetListPos() const { return m_ListPos; }
    void SetListPos(int pos) { m_ListPos = pos; }
    /// The host's handle of the graphic.
    int GetGraphic() const { return m_Graphic; }
    void SetGraphic(int graphic) { m_Graphic = graphic; }
    int GetColor() const { return m_Color; }
    void SetColor(int color) { m_Color = color; }
    double GetPenWidth() const { return m_PenWidth; }
    void SetPenWidth(double width) { m_PenWidth = width; }
    /// The persistent identifier of the graphic.
    int32_t GetGraphicID() const { return m_GraphicID; }
    void SetGraphicID(int32_t id) { m_GraphicID = id; }
    void SetVisible(bool visible) { m_Visible = visible; }
    void SetVisibleInViewport(bool visible) { m_VisibleInViewport = visible; }
    /// True only when the graphic is both visible and visible in the viewport.
    bool GetVisible() const { return m_Visible && m_VisibleInViewport; }

    /// The owned luminance-frames collection, or null.
    GArrayCollection* GetLuminanceFrames() const { return m_LuminanceFrames; }
    /// Destroys the collection held so far and takes ownership of `frames` (may be null).
    /// Setting the collection already held changes nothing.
    void SetLuminanceFrames(GArrayCollection* frames);

private:
    GRenderGraphicStoreInfo() = default;
    /// Copies every field of `other` but the luminance frames, which become a new
    /// collection with the same elements (null when `other` has none).
    void CopyFields(const GRenderGraphicStoreInfo& other);

    int32_t m_RenderId = 0;
    int32_t m_Graphic = 0;
    int32_t m_ListPos = 0;
    int32_t m_Color = 0;
    int32_t m_LayerId = 0;
    int32_t m_LayerDrawing = 0;
    double m_PenWidth = 0.0;
    GArrayCollection* m_LuminanceFrames = nullptr;
    int32_t m_GraphicID = 0;
    bool m_Visible = true;
    bool m_VisibleInViewport = true;
};
