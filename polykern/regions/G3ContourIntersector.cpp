// Loading contours and triangles, forming their union and reporting it.

#include "polykern/regions/G3ContourIntersector.h"

#include <vector>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/regions/G3RegionBoolean.h"
#include "polykern/spatial/G3EdgeList.h"

// The state of one load: the engine, the contour being loaded and the edges' records.
struct G3ContourIntersector::Load {
    Load(int i, int j) : region(i, j, 1e-5), x(i), y(j) {}
    struct Record {
        SEGMENT_TYPE type;
        int tag;
    };
    void Add(const double* p, const double* q, SEGMENT_TYPE type, int tag) {
        if (region.AddEdge(p, q, static_cast<int>(records.size()))) records.push_back({type, tag});
    }
    G3RegionBoolean region;
    int x, y;
    double first[3] = {0, 0, 0};
    double current[3] = {0, 0, 0};
    bool open = false;
    std::vector<Record> records;
};

G3ContourIntersector::G3ContourIntersector() = default;

G3ContourIntersector::~G3ContourIntersector() {
    delete m_Load;
}

void G3ContourIntersector::LoadBegin(int i, int j) {
    delete m_Load;
    m_Load = new Load(i, j);
}

void G3ContourIntersector::ContourBeginLoad(double* first) {
    if (m_Load == nullptr || first == nullptr) return;
    m_Load->region.BeginContour();
    for (int k = 0; k < 3; ++k) m_Load->first[k] = m_Load->current[k] = first[k];
    m_Load->open = true;
}

void G3ContourIntersector::ContourLoadSegment(double* point, SEGMENT_TYPE type, int tag) {
    if (m_Load == nullptr || !m_Load->open || point == nullptr) return;
    m_Load->Add(m_Load->current, point, type, tag);
    for (int k = 0; k < 3; ++k) m_Load->current[k] = point[k];
}

void G3ContourIntersector::ContourEndLoad(SEGMENT_TYPE type, int tag) {
    if (m_Load == nullptr || !m_Load->open) return;
    m_Load->Add(m_Load->current, m_Load->first, type, tag);
    m_Load->open = false;
}

void G3ContourIntersector::TriangleLoad(
    double* a, double* b, double* c, int tagAB, int tagBC, int tagCA) {
    if (m_Load == nullptr || a == nullptr || b == nullptr || c == nullptr) return;
    m_Load->region.BeginContour();
    m_Load->Add(a, b, SEGMENT_LINE, tagAB);
    m_Load->Add(b, c, SEGMENT_LINE, tagBC);
    m_Load->Add(c, a, SEGMENT_LINE, tagCA);
    m_Load->open = false;
}

void G3ContourIntersector::LoadEnd() {
    if (m_Load != nullptr) m_Load->open = false;
}

void G3ContourIntersector::DoIntersect(BOOLEAN_OPERATION op) {
    if (m_Load != nullptr && m_Load->region.GetEdgeCount() >= 2) Report(op);
    delete m_Load;
    m_Load = nullptr;
}

void G3ContourIntersector::Report(BOOLEAN_OPERATION op) {
    G3Surface work;
    GArrayCollection contours;
    m_Load->region.Resolve(G3RegionBoolean::RULE_UNION, &work, 1, &contours);
    if (contours.size() >= 2 && op == BOOLEAN_OPERATION_OUTER) {
        for (int i = 0; i < contours.size(); ++i) {
            auto* c = static_cast<G3EdgeList*>(contours.get(i));
            double plane[4] = {0, 0, 0, 0};
            plane[3 - m_Load->x - m_Load->y] = 1.0;
            c->SetPlane(plane);
        }
        G3EdgeList::RemeshContours(&work, &contours, false, 0);
    }
    UnloadBegin(1);
    for (int i = 0; i < contours.size(); ++i) {
        auto* c = static_cast<G3EdgeList*>(contours.get(i));
        const bool report = contours.size() == 1 || op == BOOLEAN_OPERATION_ALL ||
                            (op == BOOLEAN_OPERATION_OUTER && c->GetContourType() == CONTOUR_OUTER);
        if (report && !c->isEmpty()) {
            double first[3];
            for (int k = 0; k < 3; ++k) first[k] = c->GetEdgeAt(0)->GetVertex1()->GetXYZ()[k];
            ContourBeginUnload(first);
            for (int k = 0; k < c->size(); ++k) {
                const G3Edge* e = c->GetEdgeAt(k);
                const int record = m_Load->region.GetTagOf(e);
                const Load::Record r = record >= 0 ? m_Load->records[std::size_t(record)]
                                                   : Load::Record{SEGMENT_LINE, 0};
                double point[3];
                for (int a = 0; a < 3; ++a) point[a] = e->GetVertex2()->GetXYZ()[a];
                ContourUnloadSegment(point, r.type, r.tag);
            }
            ContourEndUnload();
        }
        delete c;
    }
    contours.clear();
    UnloadEnd();
}
