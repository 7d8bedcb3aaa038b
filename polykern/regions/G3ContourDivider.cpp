// Loading, resolving and unloading the contours of the divider.

#include "polykern/regions/G3ContourDivider.h"

#include <cmath>
#include <cstdint>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/math/G3Math.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/regions/G3RegionBoolean.h"
#include "polykern/spatial/G3EdgeList.h"

namespace {

constexpr double kTolerance = 1e-6;

// Whether the corner from edge a into edge b (in the order they are given out) is a break.
bool IsBreak(int32_t a, int32_t b) {
    const bool aVisible = (a & G3EDGE_VISIBLE) != 0, bVisible = (b & G3EDGE_VISIBLE) != 0;
    if (!aVisible) return bVisible && (b & G3EDGE_FORM_MAKING) == 0;
    return bVisible && (a & 0x70) != (b & 0x70);
}

void DeleteLists(GArrayCollection* lists) {
    if (lists == nullptr) return;
    for (int i = 0; i < lists->size(); ++i) delete static_cast<G3EdgeList*>(lists->get(i));
    lists->clear();
}

}  // namespace

G3ContourDivider::G3ContourDivider() = default;

G3ContourDivider::~G3ContourDivider() {
    Clear();
}

void G3ContourDivider::BeginLoad(int mode, int remeshParameter) {
    Clear();
    m_Mode = mode;
    m_RemeshParameter = remeshParameter;
    m_Work = new G3Surface();
    m_Contours = new GArrayCollection();
}

void G3ContourDivider::BeginLoadContour() {
    if (m_Work == nullptr) BeginLoad(1, 0);
    if (m_Current == nullptr) m_Current = new G3EdgeList(1, 1);
}

void G3ContourDivider::LoadEdge(
    double* p, double* q, int flags, unsigned long id1, unsigned long id2) {
    if (p == nullptr || q == nullptr) return;
    BeginLoadContour();
    G3Vertex* a = m_Work->AddVertex(p, 0);
    G3Vertex* b = a != nullptr ? m_Work->AddVertex(q, 0) : nullptr;
    if (b == nullptr) return;  // refused: not finite
    m_Work->SetEdgeFlags(flags);
    m_Current->AddEdge(a, b, nullptr, nullptr, nullptr, nullptr, flags);
    m_Ids.push_back({id1, id2});
}

void G3ContourDivider::EndLoadContour() {
    if (m_Current == nullptr) return;
    if (m_Current->isEmpty()) {
        delete m_Current;
    } else {
        m_Contours->add(m_Current);
    }
    m_Current = nullptr;
}

void G3ContourDivider::EndLoad() {
    EndLoadContour();
    if (m_Contours == nullptr || m_Contours->isEmpty()) {
        Clear();
        return;
    }
    // Every contour is worked in the plane and axes of the first one; the third coordinate
    // of the points rides along.
    auto* first = static_cast<G3EdgeList*>(m_Contours->get(0));
    first->FormMaxPlaneCoo();
    double plane[4];
    for (int k = 0; k < 4; ++k) plane[k] = first->GetPlane()[k];
    const int x = first->GetXCoo(), y = first->GetYCoo();

    G3RegionBoolean region(x, y, kTolerance);
    std::vector<int32_t> flagsOf;
    for (int c = 0; c < m_Contours->size(); ++c) {
        auto* contour = static_cast<G3EdgeList*>(m_Contours->get(c));
        contour->SetPlane(plane);
        region.BeginContour();
        for (int k = 0; k < contour->size(); ++k) {
            const G3Edge* e = contour->GetEdgeAt(k);
            const int tag = static_cast<int>(flagsOf.size());
            flagsOf.push_back(e->GetFlags());
            region.AddEdge(e->GetVertex1()->GetXYZ(), e->GetVertex2()->GetXYZ(), tag);
        }
    }
    GArrayCollection pieces;
    region.Resolve(G3RegionBoolean::RULE_NESTED, m_Work, 1, &pieces);
    for (int i = 0; i < pieces.size(); ++i) {
        auto* piece = static_cast<G3EdgeList*>(pieces.get(i));
        piece->SetPlane(plane);
        for (int k = 0; k < piece->size(); ++k) {
            G3Edge* e = piece->GetEdgeAt(k);
            const int tag = region.GetTagOf(e);
            e->SetFlags(tag >= 0 ? flagsOf[std::size_t(tag)] : 0);
        }
        piece->FormEnvelope();
    }
    if (pieces.isEmpty()) {  // only edges without length: nothing to tell the host
        Clear();
        return;
    }
    G3EdgeList::RemeshContours(m_Work, &pieces, m_Mode == 1, m_RemeshParameter);

    // Ids by work vertex, at full width.
    std::vector<unsigned long> idOf(std::size_t(m_Work->GetVertexCount()), 0);
    for (int v = 0; v < m_Work->GetVertexCount(); ++v) {
        const int point = region.GetPointOf(m_Work->GetVertex(v));
        if (point < 0 || point / 2 >= static_cast<int>(m_Ids.size())) continue;
        const EndIds& ids = m_Ids[std::size_t(point / 2)];
        idOf[std::size_t(v)] = (point & 1) == 0 ? ids.id1 : ids.id2;
    }
    Unload(&pieces, idOf);
    DeleteLists(&pieces);
    Clear();
}

void G3ContourDivider::Unload(GArrayCollection* pieces, const std::vector<unsigned long>& idOf) {
    BeginUnload();
    // The first contour whose sense is known fixes the convention: its type keeps its
    // sense, the other type takes the opposite one.
    int holeSense = 0;
    for (int i = 0; i < pieces->size() && holeSense == 0; ++i) {
        auto* piece = static_cast<G3EdgeList*>(pieces->get(i));
        const int s = GetSignOfOrientedSquare(piece);
        holeSense = piece->GetContourType() == CONTOUR_HOLE ? s : -s;
    }
    for (int i = 0; i < pieces->size(); ++i) {
        auto* piece = static_cast<G3EdgeList*>(pieces->get(i));
        const bool hole = piece->GetContourType() == CONTOUR_HOLE;
        const int wanted = hole ? holeSense : -holeSense;
        const int s = GetSignOfOrientedSquare(piece);
        const bool backwards = s != 0 && s == -wanted;
        if (backwards) ReverseContourFlags(piece);
        const int n = piece->size();
        BeginUnloadContour(n, hole);
        for (int k = 0; k < n; ++k) {
            const int at = backwards ? n - 1 - k : k;
            const int before = backwards ? (at + 1) % n : (at + n - 1) % n;
            const int after = backwards ? (at + n - 1) % n : (at + 1) % n;
            G3Edge* e = piece->GetEdgeAt(at);
            G3Vertex* p1 = backwards ? e->GetVertex2() : e->GetVertex1();
            G3Vertex* p2 = backwards ? e->GetVertex1() : e->GetVertex2();
            const int32_t flags = e->GetFlags();
            const int kind1 = IsBreak(piece->GetEdgeAt(before)->GetFlags(), flags) ? 1 : 2;
            const int kind2 = IsBreak(flags, piece->GetEdgeAt(after)->GetFlags()) ? 1 : 2;
            auto id = [&idOf](const G3Vertex* v) {
                const int index = v->GetId();
                return index >= 0 && index < static_cast<int>(idOf.size())
                           ? idOf[std::size_t(index)]
                           : 0UL;
            };
            double a[3] = {p1->GetXYZ()[0], p1->GetXYZ()[1], p1->GetXYZ()[2]};
            double b[3] = {p2->GetXYZ()[0], p2->GetXYZ()[1], p2->GetXYZ()[2]};
            UnloadEdge(a, kind1, b, kind2, flags, id(p1), id(p2));
        }
        EndUnloadContour();
    }
    EndUnload();
}

void G3ContourDivider::BeginUnload() {}
void G3ContourDivider::BeginUnloadContour(int, bool) {}
void G3ContourDivider::UnloadEdge(double*, int, double*, int, int, unsigned long, unsigned long) {}
void G3ContourDivider::EndUnloadContour() {}
void G3ContourDivider::EndUnload() {}

void G3ContourDivider::Clear() {
    DeleteLists(m_Contours);
    delete m_Contours;
    m_Contours = nullptr;
    delete m_Current;
    m_Current = nullptr;
    delete m_Work;
    m_Work = nullptr;
    m_Ids.clear();
    m_Mode = 1;
    m_RemeshParameter = 0;
}

int G3ContourDivider::GetSignOfOrientedSquare(G3EdgeList* contour) {
    if (contour == nullptr || contour->isEmpty()) return 0;
    const int n = contour->size();
    const int x = contour->GetXCoo() >= 0 ? contour->GetXCoo() : 0;
    const int y = contour->GetYCoo() >= 0 ? contour->GetYCoo() : 1;
    auto at = [contour, n](int k) {
        return contour->GetEdgeAt(((k % n) + n) % n)->GetVertex1()->GetXYZ();
    };
    int extreme = 0;
    for (int k = 1; k < n; ++k) {
        if (at(k)[x] > at(extreme)[x]) extreme = k;
    }
    const double* here = at(extreme);
    const double* next = at(extreme + 1);
    for (int back = 1; back < n; ++back) {
        const double* previous = at(extreme - back);
        if (previous == next) break;
        const double area =
            G3Math::CalcSquare(previous[x], previous[y], here[x], here[y], next[x], next[y]);
        if (std::fabs(area) >= 1e-12) return area >= 0 ? 1 : -1;
    }
    return 0;
}

void G3ContourDivider::ReverseContourFlags(G3EdgeList* contour) {
    if (contour == nullptr || contour->isEmpty()) return;
    const int n = contour->size();
    // Edge 0 takes the bit edge n − 1 had, so the ring stays whole.
    bool carried = contour->GetEdgeAt(n - 1)->GetFormMaking();
    for (int k = 0; k < n; ++k) {
        G3Edge* e = contour->GetEdgeAt(k);
        const bool own = e->GetFormMaking();
        if (carried) {
            e->SetFormMaking();
        } else {
            e->ClearFormMaking();
        }
        carried = own;
    }
}
