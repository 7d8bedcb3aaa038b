// The modeler's operand handling, Booleans, blends and slices.

#include "modelbridge/G3SurfaceModeler.h"

#include <cmath>

#include "modelbridge/ModelbridgeTexts.h"
#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/foundation/GTrace.h"
#include "polykern/model/G3Surface.h"
#include "sheetlink/Sheetlink_Body.h"

namespace {

// The integer the modeler passes to its own body-to-surface conversion; it is not read.
constexpr int kFacetMode = 111;

void Say(int text) {
    GTrace::Message(Modelbridge_Text(text));
}

}  // namespace

G3SurfaceModeler::G3SurfaceModeler() = default;

G3SurfaceModeler::~G3SurfaceModeler() {
    ReleaseOperands();
}

void G3SurfaceModeler::ReleaseOperands() {
    delete m_A;
    delete m_B;
    m_A = nullptr;
    m_B = nullptr;
}

bool G3SurfaceModeler::TakeOperands(Sheetlink_Body* a,
                                    Sheetlink_Body* b,
                                    G3Surface** first,
                                    G3Surface** second) {
    m_A = a != nullptr ? GetFacetRepresentation(a, kFacetMode) : nullptr;
    m_B = b != nullptr ? GetFacetRepresentation(b, kFacetMode) : nullptr;
    if (m_A == nullptr || m_B == nullptr) {
        Say(MODELBRIDGE_TEXT_NO_OPERAND);
        return false;
    }
    // The calculator consumes both operands, whatever it answers.
    *first = m_A;
    *second = m_B;
    m_A = nullptr;
    m_B = nullptr;
    return true;
}

template <class Operation>
Sheetlink_Body* G3SurfaceModeler::RunBoolean(Sheetlink_Body* a, Sheetlink_Body* b, Operation op) {
    ReleaseOperands();
    G3Surface *first = nullptr, *second = nullptr;
    if (!TakeOperands(a, b, &first, &second)) return nullptr;
    G3Surface* result = nullptr;
    try {
        G3BooleanCalculator calculator;
        result = op(calculator, first, second);
    } catch (...) {
        result = nullptr;
    }
    if (result == nullptr) {
        Say(MODELBRIDGE_TEXT_BOOLEAN_EMPTY);
        return nullptr;
    }
    Sheetlink_Body* body = nullptr;
    GetBodyRepresentation(result, &body, false);
    delete result;
    return body;
}

template <class Operation>
Sheetlink_Body* G3SurfaceModeler::RunBlend(Sheetlink_Body* body, Operation op) {
    ReleaseOperands();
    m_A = body != nullptr ? GetFacetRepresentation(body, kFacetMode) : nullptr;
    if (m_A == nullptr) {
        Say(MODELBRIDGE_TEXT_NO_OPERAND);
        return nullptr;
    }
    G3Surface* operand = m_A;
    m_A = nullptr;
    G3Surface* result = nullptr;
    try {
        G3BooleanCalculator calculator;
        result = op(calculator, operand);
    } catch (...) {
        result = nullptr;
    }
    if (result == nullptr) {
        Say(MODELBRIDGE_TEXT_BLEND_FAILED);
        return nullptr;
    }
    Sheetlink_Body* out = nullptr;
    GetBodyRepresentation(result, &out, false);
    delete result;
    return out;
}

int G3SurfaceModeler::GetFaceterType() {
    return m_FaceterType;
}

unsigned short G3SurfaceModeler::GetFaceterMode() {
    return 0;
}

Sheetlink_Body* G3SurfaceModeler::BooleanAdd(
    Sheetlink_Body* a, MatrixStruct*, Sheetlink_Body* b, MatrixStruct*, MatrixStruct**) {
    return RunBoolean(
        a, b, [](G3BooleanCalculator& c, G3Surface* x, G3Surface* y) { return c.Add(x, y); });
}

Sheetlink_Body* G3SurfaceModeler::BooleanSub(
    Sheetlink_Body* a, MatrixStruct*, Sheetlink_Body* b, MatrixStruct*, MatrixStruct**) {
    return RunBoolean(
        a, b, [](G3BooleanCalculator& c, G3Surface* x, G3Surface* y) { return c.Sub(x, y); });
}

Sheetlink_Body* G3SurfaceModeler::BooleanCommon(
    Sheetlink_Body* a, MatrixStruct*, Sheetlink_Body* b, MatrixStruct*, MatrixStruct**) {
    return RunBoolean(
        a, b, [](G3BooleanCalculator& c, G3Surface* x, G3Surface* y) { return c.Common(x, y); });
}

Sheetlink_Body* G3SurfaceModeler::BooleanBlend(
    Sheetlink_Body* body, MatrixStruct*, double* p, double* q, double r1, double r2, int n) {
    if (p == nullptr || q == nullptr) return nullptr;
    return RunBlend(
        body, [=](G3BooleanCalculator& c, G3Surface* s) { return c.Blend(s, p, q, r1, r2, n); });
}

Sheetlink_Body* G3SurfaceModeler::BlendCorner(
    Sheetlink_Body* body, MatrixStruct*, double* p, double r, int n) {
    if (p == nullptr) return nullptr;
    return RunBlend(
        body, [=](G3BooleanCalculator& c, G3Surface* s) { return c.BlendCorner(s, p, r, n); });
}

Sheetlink_Body* G3SurfaceModeler::BooleanMerge(Sheetlink_Body*,
                                               MatrixStruct*,
                                               Sheetlink_Body*,
                                               MatrixStruct*) {
    ReleaseOperands();
    return nullptr;
}

Sheetlink_Body* G3SurfaceModeler::BooleanMerge(
    Sheetlink_Body*, MatrixStruct*, Sheetlink_Body*, MatrixStruct*, MatrixStruct**) {
    ReleaseOperands();
    return nullptr;
}

bool G3SurfaceModeler::FinishSlice(
    bool ok, G3Surface* r1, G3Surface* r2, Sheetlink_Body** out1, Sheetlink_Body** out2) {
    if (ok && r1 != nullptr && r2 != nullptr) {
        GetBodyRepresentation(r1, out1, false);
        GetBodyRepresentation(r2, out2, false);
        ok = *out1 != nullptr && *out2 != nullptr;
    } else {
        ok = false;
    }
    delete r1;
    delete r2;
    if (!ok) {
        DeleteBody(*out1);
        DeleteBody(*out2);
        *out1 = nullptr;
        *out2 = nullptr;
        Say(MODELBRIDGE_TEXT_SLICE_EMPTY);
    }
    return ok;
}

// The host's plane (a, b, c, d) means a·x + b·y + c·z = d. It is left normalised in the
// caller's array as the facet plane (n, −d/|n|), and the cut is made at that facet plane,
// so the host's z = 2 is cut at z = 2.
bool G3SurfaceModeler::SliceByPlane(Sheetlink_Body* body,
                                    MatrixStruct*,
                                    double* plane,
                                    bool flag,
                                    Sheetlink_Body** out1,
                                    MatrixStruct**,
                                    Sheetlink_Body** out2,
                                    MatrixStruct**) {
    ReleaseOperands();
    if (out1 == nullptr || out2 == nullptr) return false;
    *out1 = nullptr;
    *out2 = nullptr;
    if (body == nullptr || body->GetNumPlanes() <= 0 || plane == nullptr) {
        Say(MODELBRIDGE_TEXT_NO_OPERAND);
        return false;
    }
    const double length =
        std::sqrt(plane[0] * plane[0] + plane[1] * plane[1] + plane[2] * plane[2]);
    if (!std::isfinite(length) || length == 0.0 || !std::isfinite(plane[3])) {
        Say(MODELBRIDGE_TEXT_BAD_PLANE);
        return false;
    }
    plane[0] /= length;
    plane[1] /= length;
    plane[2] /= length;
    plane[3] = -plane[3] / length;
    m_A = GetFacetRepresentation(body, kFacetMode);
    if (m_A == nullptr) {
        Say(MODELBRIDGE_TEXT_NO_OPERAND);
        return false;
    }
    G3Surface* operand = m_A;
    m_A = nullptr;
    const double facetPlane[4] = {plane[0], plane[1], plane[2], plane[3]};
    G3Surface* r1 = nullptr;
    G3Surface* r2 = nullptr;
    bool ok = false;
    try {
        G3BooleanCalculator calculator;
        ok = calculator.CutUpByPlane(operand, facetPlane, flag, &r1, &r2);
    } catch (...) {
        ok = false;
    }
    // Without the cut flag nothing is computed and the operand is left as it was.
    if (!flag) delete operand;
    return FinishSlice(ok, r1, r2, out1, out2);
}

bool G3SurfaceModeler::SliceBySurface(Sheetlink_Body* body,
                                      MatrixStruct*,
                                      Sheetlink_Body* tool,
                                      Sheetlink_Body** out1,
                                      MatrixStruct**,
                                      Sheetlink_Body** out2,
                                      MatrixStruct**) {
    ReleaseOperands();
    if (out1 == nullptr || out2 == nullptr) return false;
    *out1 = nullptr;
    *out2 = nullptr;
    G3Surface *operand = nullptr, *cutter = nullptr;
    if (!TakeOperands(body, tool, &operand, &cutter)) return false;
    G3Surface* r1 = nullptr;
    G3Surface* r2 = nullptr;
    bool ok = false;
    try {
        G3BooleanCalculator calculator;
        ok = calculator.SliceBySurface(operand, cutter, &r1, &r2);
    } catch (...) {
        ok = false;
    }
    return FinishSlice(ok, r1, r2, out1, out2);
}

double G3SurfaceModeler::GetMaximumModelerValue() const {
    return 1e39;
}

double G3SurfaceModeler::GetMinimumModelerValue() const {
    return -1e39;
}
