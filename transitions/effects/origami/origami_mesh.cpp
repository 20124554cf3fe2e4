// The two arrays of the origami effect that never change during a transition: the
// triangle mesh of the flat sheet, in which every vertex names its facet, and the
// table of each facet's edges with the fold that made each edge.

#include "transitions/effects/origami/origami.h"

namespace furlpane::effects {

std::vector<float4> origamiMesh(const Origami& plan) { return polygonMesh(meshPolygons(plan.facets)); }

std::vector<float4> origamiFacetRecords(const Origami& plan) { return polygonEdges(meshPolygons(plan.facets)); }

}  // namespace furlpane::effects
