#include "cover/geometry.hpp"

#include <algorithm>
#include <cmath>

#include "cover/settings.hpp"

namespace vell::cover {

namespace {

constexpr double minimumFocusSide = 0.01;
constexpr double attentionMinimumArea = 0.02;
constexpr double objectThreshold = 0.5;  // confidence, area and overlap share
// An object joins the subject only where it holds heat at least this
// densely against the subject so far.
constexpr double objectHeatShare = 0.5;
constexpr double heatBoxHalf = 0.15;
constexpr double heatBoxSide = 0.3;
constexpr double centreBoxStart = 0.25;
constexpr double centreBoxSide = 0.5;
constexpr double subjectWidthShare = 0.62;
constexpr double subjectHeightShare = 0.7;
constexpr double upscaleLimit = 1.4;
constexpr double searchMargin = 1;
constexpr int searchSteps = 40;
constexpr double edgeStrip = 0.035;
constexpr double farStrip = 0.965;
constexpr double centringWeight = 0.35;
constexpr double edgeWeight = -1.5;
constexpr double startingBest = -1e9;

double area(const Box& b) {
  return b.w * b.h;
}

// The larger of the two, NaN giving way to the other as a floor would.
double atLeast(double value, double floor) {
  return value > floor ? value : floor;
}

// Whether `object` holds the heat about as densely as `subject`: a tree
// trunk a bird clings to is an object too, yet holds little of the heat, and
// growing over it would take the crop away from the bird. Without heat
// there is nothing to judge by, and every object may join.
bool holdsHeat(const Heat& heat, const Box& object, const Box& subject) {
  if (!(heat.total() > 0) || !(area(object) > 0) || !(area(subject) > 0))
    return true;
  return heat.mass(object) / area(object) >= objectHeatShare * heat.mass(subject) / area(subject);
}

Box grownFromRegions(const GeometryInput& in) {
  const std::vector<Box>& attention = in.attention;
  size_t largest = 0;
  for (size_t i = 1; i < attention.size(); ++i)
    if (area(attention[i]) > area(attention[largest]))
      largest = i;
  Box current = attention[largest];
  for (const Box& region : attention)
    if (area(region) > attentionMinimumArea)
      current = current.united(region);
  for (const ObjectRegion& object : in.objects) {
    if (!(object.confidence > objectThreshold))
      continue;
    const Box& b = object.box;
    double overlapW =
        std::max(0.0, std::min(b.right(), current.right()) - std::max(current.x, b.x));
    double overlapH =
        std::max(0.0, std::min(b.bottom(), current.bottom()) - std::max(current.y, b.y));
    if (area(b) < objectThreshold && b.h * (b.w * objectThreshold) < overlapW * overlapH &&
        holdsHeat(*in.heat, b, current))
      current = current.united(b);
  }
  return current;
}

}  // namespace

void chooseSubject(const GeometryInput& in, Geometry& geometry) {
  geometry.source = "vision";
  geometry.hcx = in.heat->hcx();
  geometry.hcy = in.heat->hcy();
  if (in.focus) {
    std::vector<double> numbers = numbersIn(*in.focus, ',');
    if (numbers.size() == 4) {
      geometry.subject = {numbers[0], numbers[1], atLeast(numbers[2], minimumFocusSide),
                          atLeast(numbers[3], minimumFocusSide)};
      geometry.source = "given";
      geometry.hcx = geometry.subject.cx();
      geometry.hcy = geometry.subject.cy();
      return;
    }
  }
  if (!in.attention.empty()) {
    geometry.subject = grownFromRegions(in);
  } else if (in.heat->total() > 0) {
    geometry.subject = {geometry.hcx - heatBoxHalf, geometry.hcy - heatBoxHalf, heatBoxSide,
                        heatBoxSide};
    geometry.source = "heat";
  } else {
    geometry.subject = {centreBoxStart, centreBoxStart, centreBoxSide, centreBoxSide};
    geometry.source = "centre";
  }
}

void sizeCrop(const GeometryInput& in, Geometry& g) {
  g.cw = in.IW;
  g.ch = in.IW / in.aspect;
  if (in.IH < g.ch) {
    g.ch = in.IH;
    g.cw = in.aspect * in.IH;
  }
  g.full = g.cw;
  g.sb = {g.subject.x * in.IW, g.subject.y * in.IH, g.subject.w * in.IW, g.subject.h * in.IH};
  g.minW = std::max({g.full / in.maxZoom, static_cast<double>(in.OW) / upscaleLimit, 1.0});
  if (g.minW < g.full) {
    double need = std::max(g.sb.w / subjectWidthShare, g.sb.h * in.aspect / subjectHeightShare);
    if (need < g.full) {
      g.cw = std::max(g.minW, need);
      g.ch = g.cw / in.aspect;
    }
  }
}

void placeCrop(const GeometryInput& in, Geometry& g) {
  g.fx = in.IW * (g.subject.cx() * 0.5 + g.hcx * 0.5);
  g.fy = in.IH * (g.subject.cy() * 0.5 + g.hcy * 0.5);
  g.cx0 = g.fx - g.cw * 0.5;
  g.cy0 = g.fy - g.ch * 0.5;
  if (g.sb.w <= g.cw)
    g.cx0 = std::min(g.sb.x, std::max(g.cx0, g.sb.x + g.sb.w - g.cw));
  if (g.sb.h <= g.ch)
    g.cy0 = std::min(g.sb.y, std::max(g.cy0, g.sb.y + g.sb.h - g.ch));
  g.cx0 = std::min(in.IW - g.cw, atLeast(g.cx0, 0));
  g.cy0 = std::min(in.IH - g.ch, atLeast(g.cy0, 0));
}

void searchCrop(const GeometryInput& in, Geometry& g) {
  const Heat& heat = *in.heat;
  const bool searchX = g.cw + searchMargin < g.sb.w;
  const bool searchY = g.ch + searchMargin < g.sb.h;
  if (!(heat.total() > 0) || g.source == "given" || !(searchX || searchY))
    return;
  const int nx = searchX ? searchSteps : 0;
  const int ny = searchY ? searchSteps : 0;
  const double wN = g.cw / in.IW, hN = g.ch / in.IH;
  const double columns = static_cast<double>(heat.hw()), rows = static_cast<double>(heat.hh());

  double best = startingBest;
  double bestX = g.cx0, bestY = g.cy0;
  for (int ix = 0; ix <= nx; ++ix) {
    for (int iy = 0; iy <= ny; ++iy) {
      double x = searchX ? (in.IW - g.cw) * ix / nx : g.cx0;
      double y = searchY ? (in.IH - g.ch) * iy / ny : g.cy0;
      double xN = x / in.IW, yN = y / in.IH;
      double edgeX = searchX ? heat.mass({xN, yN, wN * edgeStrip, hN}) +
                                   heat.mass({xN + wN * farStrip, yN, wN * edgeStrip, hN})
                             : 0;
      double edgeY = searchY ? heat.mass({xN, yN, wN, hN * edgeStrip}) +
                                   heat.mass({xN, yN + hN * farStrip, wN, hN * edgeStrip})
                             : 0;
      double m = heat.mass({xN, yN, wN, hN});

      double sum = 0, su = 0, sv = 0;
      for (std::int64_t r = 0; r < heat.hh(); ++r) {
        double v = (static_cast<double>(r) + 0.5) / rows;
        if (!(yN <= v && v <= yN + hN))
          continue;
        for (std::int64_t c = 0; c < heat.hw(); ++c) {
          double w = heat.weight(r, c);
          double u = (static_cast<double>(c) + 0.5) / columns;
          if (w != 0 && xN <= u && u <= xN + wN) {
            sum += w;
            su += u * w;
            sv += v * w;
          }
        }
      }
      double penalty = centringWeight;
      if (sum > 0)
        penalty = centringWeight *
                  std::hypot((su / sum - (xN + wN * 0.5)) / wN, (sv / sum - (yN + hN * 0.5)) / hN);

      double score = (m - penalty) + edgeWeight * (edgeY + edgeX);
      if (best < score) {
        best = score;
        bestX = x;
        bestY = y;
      }
    }
  }
  g.cx0 = bestX;
  g.cy0 = bestY;
}

void measureCrop(const GeometryInput& in, Geometry& g) {
  g.crop = {g.cx0 / in.IW, g.cy0 / in.IH, g.cw / in.IW, g.ch / in.IH};
  g.fit = in.heat->mass(g.crop);
}

Geometry chooseCrop(const GeometryInput& in) {
  Geometry geometry;
  chooseSubject(in, geometry);
  sizeCrop(in, geometry);
  placeCrop(in, geometry);
  searchCrop(in, geometry);
  measureCrop(in, geometry);
  return geometry;
}

}  // namespace vell::cover
