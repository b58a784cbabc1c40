#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cover/box.hpp"
#include "cover/heat.hpp"

namespace vell::cover {

// A salient object region, in image units with a top-left origin.
struct ObjectRegion {
  Box box;
  float confidence = 0;
};

// What the crop choice needs to know about the working image and the output.
struct GeometryInput {
  double IW = 0;
  double IH = 0;
  const Heat* heat = nullptr;
  std::vector<Box> attention;
  std::vector<ObjectRegion> objects;
  std::int64_t OW = 0;
  double aspect = 1;
  double maxZoom = 1;
  std::optional<std::string> focus;  // the "--focus" value, if given
};

// The chosen crop and how it was reached. Boxes in image units except `sb`
// (pixels); the crop in pixels is (cx0, cy0, cw, ch).
struct Geometry {
  Box subject;
  std::string source;
  double hcx = 0.5;  // the heat centroid, or the centre of a given focus box
  double hcy = 0.5;
  double cw = 0;
  double ch = 0;
  double full = 0;
  Box sb;
  double minW = 0;
  double fx = 0;
  double fy = 0;
  double cx0 = 0;
  double cy0 = 0;
  Box crop;
  double fit = 1;
};

// The subject box and its source ("given", "vision", "heat" or "centre");
// a given focus also replaces the centroid in `geometry`.
void chooseSubject(const GeometryInput& in, Geometry& geometry);
// The crop size: the full-fit crop of the output aspect, zoomed in towards
// the subject as far as the zoom and upscale limits allow.
void sizeCrop(const GeometryInput& in, Geometry& geometry);
// The crop position around the focus point, keeping the subject in where it
// fits and the crop inside the image.
void placeCrop(const GeometryInput& in, Geometry& geometry);
// When the subject is larger than the crop, the position along the too-small
// axis that holds the most heat, centred, with the least heat cut at the edges.
void searchCrop(const GeometryInput& in, Geometry& geometry);
// The crop in image units and its share of the heat.
void measureCrop(const GeometryInput& in, Geometry& geometry);

// All of the above, in order.
Geometry chooseCrop(const GeometryInput& in);

}  // namespace vell::cover
