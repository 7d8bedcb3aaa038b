// The plug-in's Boolean road, stage by stage: two plane bodies become surfaces, the
// kernel unites them, and the result becomes a body again.
//
// BM_ModelbridgeUnion: two UV spheres of radius 1 of s slices and t stacks, as bodies of
// 2·s·(t − 1) triangular planes (s = 100, t = 51 gives the 10,000-plane job), centres 0.59 apart
// along x, every plane with a material, colour and layer. The time is the whole round trip; the
// counters give each stage's share of it: to_surface (both bodies to surfaces, with their
// clean-up), boolean (the calculator's union) and to_body (the result back to planes). Bodies are
// built outside the timed region.

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

#include "modelbridge/G3SurfaceModeler.h"
#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/model/G3Surface.h"
#include "sheetlink/Sheetlink_Body.h"
#include "tests/support/SurfaceShapes.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

// A sphere of slices × stacks cells moved by dx along x, as a body whose planes carry `material`.
Sheetlink_Body* SphereBody(
    G3SurfaceModeler& modeler, int slices, int stacks, double dx, unsigned short material) {
    G3Surface* s = pktest::MakeSphere(slices, stacks);
    const double m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {dx, 0, 0, 1}};
    s->RealTransformation(m);
    Sheetlink_Body* body = nullptr;
    modeler.GetBodyRepresentation(s, &body, false);
    delete s;
    for (int i = 0; body != nullptr && i < body->GetNumPlanes(); ++i) {
        body->SetMaterialForIndexedPlane(i, material);
        body->SetColorForIndexedPlane(i, 100 * material);
        body->SetLayerForIndexedPlane(i, static_cast<unsigned short>(10 * material));
    }
    return body;
}

void BM_ModelbridgeUnion(benchmark::State& state) {
    const int slices = static_cast<int>(state.range(0));
    const int stacks = static_cast<int>(state.range(1));
    G3SurfaceModeler modeler;
    std::unique_ptr<Sheetlink_Body> a(SphereBody(modeler, slices, stacks, 0.0, 1));
    std::unique_ptr<Sheetlink_Body> b(SphereBody(modeler, slices, stacks, 0.59, 2));
    if (!a || !b) {
        state.SkipWithError("the sphere bodies could not be built");
        return;
    }
    double toSurface = 0, boolean = 0, toBody = 0;
    int planes = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        G3Surface* sa = modeler.GetFacetRepresentation(a.get(), 111);
        G3Surface* sb = modeler.GetFacetRepresentation(b.get(), 111);
        const auto t1 = Clock::now();
        G3Surface* sum = nullptr;
        {
            G3BooleanCalculator calculator;
            sum = calculator.Add(sa, sb);
        }
        const auto t2 = Clock::now();
        Sheetlink_Body* out = nullptr;
        modeler.GetBodyRepresentation(sum, &out, false);
        const auto t3 = Clock::now();
        if (out == nullptr) {
            state.SkipWithError("the union gave no body");
            delete sum;
            return;
        }
        planes = out->GetNumPlanes();
        delete out;
        delete sum;
        toSurface += Seconds(t0, t1);
        boolean += Seconds(t1, t2);
        toBody += Seconds(t2, t3);
    }
    const double total = toSurface + boolean + toBody;
    state.SetComplexityN(a->GetNumPlanes() + b->GetNumPlanes());
    state.counters["planes_in"] = a->GetNumPlanes() + b->GetNumPlanes();
    state.counters["planes_out"] = planes;
    state.counters["to_surface"] = toSurface / total;
    state.counters["boolean"] = boolean / total;
    state.counters["to_body"] = toBody / total;
}

BENCHMARK(BM_ModelbridgeUnion)
    ->Args({25, 13})
    ->Args({50, 26})
    ->Args({100, 51})
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

}  // namespace
