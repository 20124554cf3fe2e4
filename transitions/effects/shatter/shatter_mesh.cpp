// The shards as one triangle mesh and their edge records. Neighbouring shards share
// bit-identical corners (welding) and no corner of one shard sits in the middle of a
// neighbour's edge without being a vertex there too (no T-junctions), so the mesh has
// no cracks at pixel level.

#include "transitions/effects/shatter/shatter.h"

namespace furlpane::effects {

std::vector<float4> Shatter::shatterMesh() const { return polygonMesh(meshPolygons(shards)); }

std::vector<float4> Shatter::shardRecords() const { return polygonEdges(meshPolygons(shards)); }

}  // namespace furlpane::effects
