#include "render/backends/cpu/TCpuCompositor.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <thread>

#include "render/backends/cpu/CpuLargePages.h"
#include "render/backends/cpu/CpuTriangleRows.h"

namespace {

// Bands per thread: enough that a band crowded with bubbles does not leave
// the other thread idle, few enough that each draw is set up rarely.
constexpr int BandsPerThread = 4;
constexpr int MinBandRows = 16;
// Pixels a flush touches below which it runs on the calling thread alone.
constexpr int64_t LightFlushPixels = int64_t(1) << 20;
constexpr uint32_t ColourMask = 0x00FFFFFF;
constexpr uint32_t OpaqueAlpha = 0xFF000000u;
constexpr size_t StripCorners = 4;
// Textures drawn larger than this are read through their columns instead of
// being kept at the drawn size.
constexpr int64_t MaxScaledPixels = int64_t(1) << 18;

TRect Intersect(const TRect& a, const TRect& b) {
  TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right), std::min(a.Bottom, b.Bottom)};
  if (r.Right < r.Left) r.Right = r.Left;
  if (r.Bottom < r.Top) r.Bottom = r.Top;
  return r;
}

bool Empty(const TRect& r) { return r.Right <= r.Left || r.Bottom <= r.Top; }

int32_t ClampToInt(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN / 2, INT32_MAX / 2));
}

uint32_t Factor(uint32_t factor, uint32_t colour, uint32_t alpha) {
  switch (factor) {
    case D3DBLEND_ZERO:
      return 0;
    case D3DBLEND_SRCCOLOR:
      return colour;
    case D3DBLEND_INVSRCCOLOR:
      return 255 - colour;
    case D3DBLEND_SRCALPHA:
      return alpha;
    case D3DBLEND_INVSRCALPHA:
      return 255 - alpha;
    default:
      return 255;
  }
}

// The texel index at floor(numerator / denominator), kept on the texture.
int TexelIndex(int64_t quotient, int size) { return static_cast<int>(std::clamp<int64_t>(quotient, 0, size - 1)); }

}  // namespace

TCpuCompositor::TCpuCompositor(int threads, TSpanKernel kernel)
    : kernel_(ResolveSpanKernel(kernel)),
      blend_(BlendSpanFunction(kernel)),
      gather_(GatherSpanFunction(kernel)),
      walk_(WalkSpanFunction(kernel)),
      walkBlend_(WalkBlendSpanFunction(kernel)),
      layers_(LayerSpanFunction(kernel)),
      pairBlend_(PairBlendSpanFunction(kernel)),
      pool_(threads > 0 ? threads : std::max(1, static_cast<int>(std::thread::hardware_concurrency()))) {
  scratch_.resize(static_cast<size_t>(pool_.Threads()));
}

void TCpuCompositor::Resize(int width, int height) {
  ForgetCommands();
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  own_.reset(static_cast<uint32_t*>(std::calloc(std::max<size_t>(PixelCount(), 1), sizeof(uint32_t))));
  if (!own_) throw std::bad_alloc();
  base_ = own_.get();
  viewport_ = TRect{0, 0, width_, height_};
  lastCopy_ = TCopyKey{};
  sinceCopy_.Resize(width_, height_);
  touchedSinceCopy_.Resize(width_, height_);
  notedTriangleCount_ = 0;
  sincePresent_.Resize(width_, height_);
}

void TCpuCompositor::UseMemory(uint32_t* memory) {
  if (!memory || memory == base_) return;
  std::copy_n(base_, PixelCount(), memory);
  own_.reset();
  base_ = memory;
}

void TCpuCompositor::UseOwnMemory() {
  if (InOwnMemory()) return;
  own_.reset(static_cast<uint32_t*>(std::malloc(std::max<size_t>(PixelCount(), 1) * sizeof(uint32_t))));
  if (!own_) throw std::bad_alloc();
  std::copy_n(base_, PixelCount(), own_.get());
  base_ = own_.get();
}

// Pending work counts as a change once it is certain to run: a copy may
// still drop it unseen. Each command counts once, however often this runs
// before the flush. The draws of one bubble overlap almost wholly, so
// neighbours in the list are joined here first: the damage regions, whose
// cost grows with every rectangle they are handed, get about one per bubble
// instead of one per draw.
void TCpuCompositor::Commit() {
  TRect joined;
  bool pending = false;
  const auto hand = [this](const TRect& rect) {
    sinceCopy_.Add(rect);
    sincePresent_.Add(rect);
  };
  for (TCommand& command : commands_) {
    if (command.Counted) continue;
    command.Counted = true;
    RecordTouched(command);
    if (pending && TDamageRegion::WorthJoining(joined, command.Bounds)) {
      joined = TRect{std::min(joined.Left, command.Bounds.Left), std::min(joined.Top, command.Bounds.Top),
                     std::max(joined.Right, command.Bounds.Right), std::max(joined.Bottom, command.Bounds.Bottom)};
      continue;
    }
    if (pending) hand(joined);
    joined = command.Bounds;
    pending = true;
  }
  if (pending) hand(joined);
}

// Per row, the pixels a draw may change are those its run would visit: a
// straight square blended by alpha only between the first and last texel of
// the row that are not clear, a turned one only within its edges. Anything
// else counts its bounding box.
void TCpuCompositor::RecordTouched(const TCommand& command) {
  if (touchedSinceCopy_.All()) return;
  const TRect& bounds = command.Bounds;
  if (command.Kind == TKind::Rect && command.Blend == TBlend::Alpha && command.Scaled) {
    const TCpuTexels& texels = *command.Scaled;
    const TRect whole{command.ScaledLeft, command.ScaledTop, command.ScaledLeft + texels.Width,
                      command.ScaledTop + texels.Height};
    if (bounds == whole) {
      // Drawn whole, as nearly every bubble is: its spans per group of rows
      // are the same frame after frame.
      const TTouchedRows::TShape& shape = shapes_.Find(&texels, command.Scaled, [&] {
        return TTouchedRows::MakeShape(texels.First.data(), texels.Last.data(), texels.Height);
      });
      touchedSinceCopy_.AddShape(shape, command.ScaledLeft, command.ScaledTop);
      return;
    }
    const int32_t* first = command.Scaled->First.data() - command.ScaledTop;
    const int32_t* last = command.Scaled->Last.data() - command.ScaledTop;
    touchedSinceCopy_.AddRows(bounds.Top, bounds.Bottom, [&](int row) {
      return TTouchedRows::TSpan{std::max(bounds.Left, command.ScaledLeft + first[row]),
                                 std::min(bounds.Right, command.ScaledLeft + last[row] + 1)};
    });
    return;
  }
  if (command.Kind == TKind::Triangle) {
    const TTriangleSetup& t = command.Triangle;
    if (NotedAlready(bounds, t.Edges)) return;
    TEdgeRows edges[3];
    for (int i = 0; i < 3; ++i) edges[i] = TEdgeRows(t.Edges[i], bounds.Top);
    touchedSinceCopy_.AddRows(bounds.Top, bounds.Bottom, [&](int) {
      int64_t begin = bounds.Left;
      int64_t end = bounds.Right;
      for (TEdgeRows& edge : edges) {
        edge.Clip(begin, end);
        edge.NextRow();
      }
      return TTouchedRows::TSpan{static_cast<int32_t>(begin), static_cast<int32_t>(std::max(begin, end))};
    });
    return;
  }
  touchedSinceCopy_.Add(bounds);
}

bool TCpuCompositor::NotedAlready(const TRect& bounds, const TEdge* edges) {
  const auto same = [&](const TNotedTriangle& noted) {
    if (!(noted.Bounds == bounds)) return false;
    for (int i = 0; i < 3; ++i) {
      const TEdge& a = noted.Edges[i];
      const TEdge& b = edges[i];
      if (a.A != b.A || a.B != b.B || a.C != b.C || a.Bias != b.Bias) return false;
    }
    return true;
  };
  const size_t kept = std::min(notedTriangleCount_, NotedTrianglesKept);
  for (size_t i = 0; i < kept; ++i) {
    if (same(notedTriangles_[i])) return true;
  }
  TNotedTriangle& slot = notedTriangles_[notedTriangleCount_++ % NotedTrianglesKept];
  slot.Bounds = bounds;
  std::copy_n(edges, 3, slot.Edges);
  return false;
}

void TCpuCompositor::ForgetCommands() {
  commands_.clear();
  columns_.clear();
  copySpans_.clear();
  turned_.clear();
  turnedAt_.clear();
}

TDamageRegion& TCpuCompositor::PresentDamage() {
  Commit();
  return sincePresent_;
}

void TCpuCompositor::SetViewport(const TRect& viewport) { viewport_ = viewport; }

void TCpuCompositor::Clear(const TRect& rect, uint32_t color) {
  TCommand command;
  command.Kind = TKind::Clear;
  command.Bounds = Intersect(Intersect(rect, viewport_), TRect{0, 0, width_, height_});
  command.Color = color & ColourMask;
  if (Empty(command.Bounds)) return;
  commands_.push_back(std::move(command));
}

bool TCpuCompositor::Copy(const uint32_t* source, int sourceWidth, int sourceHeight, const TRect& sourceRect, int x,
                          int y, uint64_t sourceId, uint64_t sourceVersion) {
  if (!source) return false;
  const TRect from = Intersect(sourceRect, TRect{0, 0, sourceWidth, sourceHeight});
  // Where the readable part of the source lands, cut to the surface.
  const int dx = x - sourceRect.Left;
  const int dy = y - sourceRect.Top;
  const TRect to = Intersect(TRect{from.Left + dx, from.Top + dy, from.Right + dx, from.Bottom + dy},
                             TRect{0, 0, width_, height_});
  if (Empty(to)) return false;
  // Whatever is still waiting entirely under the copy would only be
  // overwritten; what sticks out is drawn first, as it was asked for.
  // Work already counted as a change stays: it runs, and the copy covers it.
  std::erase_if(commands_, [&](const TCommand& c) { return !c.Counted && Intersect(c.Bounds, to) == c.Bounds; });
  Commit();
  const TCopyKey key{source, sourceId, sourceVersion, sourceWidth, sourceHeight, sourceRect, x, y};
  // A named source is copied from again and again, a little each frame.
  if (sourceId != 0 && !(key == lastCopy_)) {
    AdviseLargePages(source, static_cast<size_t>(sourceWidth) * static_cast<size_t>(sourceHeight) * sizeof(uint32_t));
  }
  const size_t firstSpan = copySpans_.size();
  if (sourceId != 0 && key == lastCopy_ && !sinceCopy_.All() && !touchedSinceCopy_.All()) {
    // The present is sent rectangles; the copy restores only the pixels the
    // draws since the last copy may have changed.
    for (const TRect& changed : sinceCopy_.Rects()) sincePresent_.Add(Intersect(changed, to));
    touchedSinceCopy_.Collect(to, copySpans_);
  } else {
    sincePresent_.Add(to);
    for (int row = to.Top; row < to.Bottom; ++row) copySpans_.push_back(TTouchedRows::TRowSpan{row, to.Left, to.Right});
  }
  lastCopy_ = sourceId != 0 ? key : TCopyKey{};
  sinceCopy_.Reset();
  touchedSinceCopy_.Reset();
  notedTriangleCount_ = 0;
  if (copySpans_.size() == firstSpan) return true;
  // The copy waits in line with the draws, so that each band of rows is
  // restored and drawn on while it is in the cache of the thread drawing it.
  TCommand command;
  command.Kind = TKind::Copy;
  command.Source = source;
  command.SourceWidth = sourceWidth;
  command.SourceDx = dx;
  command.SourceDy = dy;
  command.PartOffset = firstSpan;
  command.PartCount = copySpans_.size() - firstSpan;
  const TTouchedRows::TRowSpan& front = copySpans_[firstSpan];
  command.Bounds = TRect{front.Left, front.Row, front.Right, copySpans_.back().Row + 1};
  for (size_t i = firstSpan; i < copySpans_.size(); ++i) {
    const TTouchedRows::TRowSpan& span = copySpans_[i];
    command.Bounds.Left = std::min(command.Bounds.Left, span.Left);
    command.Bounds.Right = std::max(command.Bounds.Right, span.Right);
    command.Work += span.Right - span.Left;
  }
  // Counted already, as the rectangles it restores.
  command.Counted = true;
  commands_.push_back(std::move(command));
  return true;
}

bool TCpuCompositor::BlendFrom(const TRenderStates& states, TCommand& command) const {
  if (!states.AlphaBlendEnable) {
    command.Blend = TBlend::Replace;
  } else if (states.SrcBlend == D3DBLEND_SRCALPHA && states.DestBlend == D3DBLEND_INVSRCALPHA) {
    command.Blend = TBlend::Alpha;
  } else {
    command.Blend = TBlend::Factors;
    command.SrcFactor = states.SrcBlend;
    command.DestFactor = states.DestBlend;
  }
  return true;
}

void TCpuCompositor::DrawStrip(const TD3DTLVertex* vertices, size_t count, std::shared_ptr<const TCpuTexels> texels,
                               const TRenderStates& states) {
  if (!vertices || count < 3 || width_ == 0 || height_ == 0) return;
  TCommand command;
  BlendFrom(states, command);
  command.Strip = ++strips_;
  // One diffuse colour per strip, its first vertex's: the frame gives all four
  // corners the same one.
  if (texels) {
    command.Color = vertices[0].color;
    command.Texels = std::move(texels);
  } else {
    auto plain = std::make_shared<TCpuTexels>(1, 1);
    plain->Pixels[0] = vertices[0].color;
    plain->Measure();
    command.Color = ColourMask;
    command.Texels = std::move(plain);
  }
  fixed_.resize(count);
  for (size_t i = 0; i < count; ++i) {
    if (!ToFixed(vertices[i], fixed_[i])) return;
  }
  const TFixedVertex* v = fixed_.data();
  const bool axisAligned = count == StripCorners && v[0].Y == v[1].Y && v[2].Y == v[3].Y && v[0].X == v[2].X &&
                           v[1].X == v[3].X && v[0].X < v[1].X && v[0].Y < v[2].Y && v[0].U == 0 && v[2].U == 0 &&
                           v[1].U == TexCoordOne && v[3].U == TexCoordOne && v[0].V == 0 && v[1].V == 0 &&
                           v[2].V == TexCoordOne && v[3].V == TexCoordOne;
  if (axisAligned) {
    AddRect(v, std::move(command));
    return;
  }
  if (command.Blend == TBlend::Alpha) {
    // Under a black tint (a shadow) only the texels' alpha shows.
    const bool alphaOnly = (command.Color & ColourMask) == 0;
    const TTiledForm& tiled = tiled_.Find({command.Texels.get(), alphaOnly}, command.Texels, [&] {
      return TTiledForm{std::make_shared<const TCpuTiledTexels>(*command.Texels, alphaOnly),
                        std::make_shared<const TVisibleHull>(*command.Texels)};
    });
    command.Tiled = tiled.Tiles;
    command.Hull = tiled.Hull;
  }
  for (size_t i = 0; i + 2 < count; ++i) AddTriangle(v[i], v[i + 1], v[i + 2], command);
}

void TCpuCompositor::AddRect(const TFixedVertex* corners, TCommand command) {
  command.Kind = TKind::Rect;
  command.Left = corners[0].X;
  command.Top = corners[0].Y;
  command.Right = corners[1].X;
  command.Bottom = corners[2].Y;
  // Pixels whose centres lie in [Left, Right) x [Top, Bottom).
  const TRect covered{ClampToInt(CeilDiv(command.Left - HalfPixel, SubPixel)),
                      ClampToInt(CeilDiv(command.Top - HalfPixel, SubPixel)),
                      ClampToInt(CeilDiv(command.Right - HalfPixel, SubPixel)),
                      ClampToInt(CeilDiv(command.Bottom - HalfPixel, SubPixel))};
  command.Bounds = Intersect(Intersect(covered, viewport_), TRect{0, 0, width_, height_});
  if (Empty(command.Bounds)) return;
  command.Scaled = ScaledTexels(command, covered);
  if (command.Scaled) {
    command.ScaledLeft = covered.Left;
    command.ScaledTop = covered.Top;
    commands_.push_back(std::move(command));
    return;
  }
  const int64_t span = command.Right - command.Left;
  const int textureWidth = command.Texels->Width;
  command.ColumnOffset = columns_.size();
  for (int px = command.Bounds.Left; px < command.Bounds.Right; ++px) {
    const int64_t numerator = (SubPixel * px + HalfPixel - command.Left) * textureWidth;
    columns_.push_back(static_cast<uint16_t>(TexelIndex(FloorDiv(numerator, span), textureWidth)));
  }
  commands_.push_back(std::move(command));
}

std::shared_ptr<const TCpuTexels> TCpuCompositor::ScaledTexels(const TCommand& command, const TRect& covered) {
  const TCpuTexels& source = *command.Texels;
  const int64_t area = int64_t(covered.Width()) * int64_t(covered.Height());
  if (source.Width * source.Height <= 1 || area <= 0 || area > MaxScaledPixels) return nullptr;
  const TScaledKey key{&source, command.Right - command.Left, command.Bottom - command.Top,
                       SubPixel * covered.Left + HalfPixel - command.Left,
                       SubPixel * covered.Top + HalfPixel - command.Top};
  return scaled_.Find(key, command.Texels, [&] {
    auto pixels = std::make_shared<TCpuTexels>(covered.Width(), covered.Height());
    std::vector<int> columns(static_cast<size_t>(covered.Width()));
    for (int i = 0; i < covered.Width(); ++i) {
      columns[static_cast<size_t>(i)] =
          TexelIndex(FloorDiv((SubPixel * i + key.PhaseX) * source.Width, key.SpanX), source.Width);
    }
    for (int j = 0; j < covered.Height(); ++j) {
      const uint32_t* from =
          source.Row(TexelIndex(FloorDiv((SubPixel * j + key.PhaseY) * source.Height, key.SpanY), source.Height));
      uint32_t* to = pixels->Pixels.data() + static_cast<size_t>(j) * static_cast<size_t>(covered.Width());
      for (int i = 0; i < covered.Width(); ++i) to[i] = from[columns[static_cast<size_t>(i)]];
    }
    pixels->Measure();
    return std::shared_ptr<const TCpuTexels>(std::move(pixels));
  });
}

void TCpuCompositor::AddTriangle(const TFixedVertex& a, const TFixedVertex& b, const TFixedVertex& c,
                                 TCommand command) {
  command.Kind = TKind::Triangle;
  if (!SetUpTriangle(a, b, c, command.Texels->Width, command.Texels->Height, command.Triangle)) return;
  command.Bounds = Intersect(Intersect(command.Triangle.Bounds, viewport_), TRect{0, 0, width_, height_});
  if (Empty(command.Bounds)) return;
  commands_.push_back(std::move(command));
}

int TCpuCompositor::BandCount() const {
  const int wanted = pool_.Threads() == 1 ? 1 : pool_.Threads() * BandsPerThread;
  return std::max(1, std::min(wanted, height_ / MinBandRows));
}

void TCpuCompositor::Flush(const std::function<void(int top, int bottom, int worker)>& afterBand,
                           int64_t afterBandPixels) {
  if (height_ == 0 || (commands_.empty() && !afterBand)) {
    ForgetCommands();
    return;
  }
  Commit();
  GroupLayers();
  const size_t rowScratch = static_cast<size_t>(width_) * 2;
  for (auto& scratch : scratch_) {
    if (scratch.size() < rowScratch) scratch.resize(rowScratch);
  }
  int64_t work = afterBandPixels;
  for (const TCommand& command : commands_) {
    work += command.Kind == TKind::Copy ? command.Work : int64_t(command.Bounds.Width()) * command.Bounds.Height();
  }
  PlanTurnedGroups();
  // Waking another thread costs more than it saves on a light frame.
  const int bands = work < LightFlushPixels ? 1 : BandCount();
  pool_.Run(bands, [&](int band, int worker) {
    const int top = static_cast<int>(static_cast<int64_t>(height_) * band / bands);
    const int bottom = static_cast<int>(static_cast<int64_t>(height_) * (band + 1) / bands);
    RunBand(top, bottom, worker);
    if (afterBand) afterBand(top, bottom, worker);
  });
  ForgetCommands();
  scaled_.FlushDone();
  tiled_.FlushDone();
  shapes_.FlushDone();
  pairs_.FlushDone();
}

void TCpuCompositor::RunBand(int top, int bottom, int worker) {
  uint32_t* scratch = scratch_[static_cast<size_t>(worker)].data();
  for (size_t i = 0; i < commands_.size(); ++i) {
    if (turnedAt_[i] >= 0) {
      const TTurnedGroup& group = turned_[static_cast<size_t>(turnedAt_[i])];
      RunTurnedGroup(group, top, bottom);
      i = group.End - 1;
      continue;
    }
    const TCommand& command = commands_[i];
    if (command.Layers != 1) {
      if (command.Layers > 1) RunLayers(&command, top, bottom);
      continue;
    }
    const int first = std::max(top, command.Bounds.Top);
    const int last = std::min(bottom, command.Bounds.Bottom);
    if (first >= last) continue;
    switch (command.Kind) {
      case TKind::Clear:
        for (int row = first; row < last; ++row) {
          std::fill_n(MutableRow(row) + command.Bounds.Left, command.Bounds.Width(), command.Color);
        }
        break;
      case TKind::Rect:
        if (command.Scaled) {
          RunScaledRect(command, first, last, scratch);
        } else {
          RunRect(command, first, last, scratch);
        }
        break;
      case TKind::Triangle:
        RunTriangle(command, first, last, scratch);
        break;
      case TKind::Copy:
        RunCopy(command, first, last);
        break;
    }
  }
}

void TCpuCompositor::RunCopy(const TCommand& command, int top, int bottom) {
  const auto begin = copySpans_.begin() + static_cast<std::ptrdiff_t>(command.PartOffset);
  const auto end = begin + static_cast<std::ptrdiff_t>(command.PartCount);
  const auto first = std::lower_bound(begin, end, top,
                                      [](const TTouchedRows::TRowSpan& s, int row) { return s.Row < row; });
  const auto last = std::lower_bound(first, end, bottom,
                                     [](const TTouchedRows::TRowSpan& s, int row) { return s.Row < row; });
  const auto from = [&](const TTouchedRows::TRowSpan& span) {
    return command.Source + static_cast<size_t>(span.Row - command.SourceDy) * static_cast<size_t>(command.SourceWidth) +
           (span.Left - command.SourceDx);
  };
  // The source is far larger than the caches and each row's span starts
  // somewhere new, where the processor cannot guess: the lines of a span a
  // few ahead are asked for while this one is copied.
  constexpr std::ptrdiff_t Ahead = 3;
  constexpr int LinePixels = 64 / sizeof(uint32_t);
  for (auto span = first; span != last; ++span) {
    if (last - span > Ahead) {
      const TTouchedRows::TRowSpan& next = span[Ahead];
      const uint32_t* src = from(next);
      const uint32_t* dst = Row(next.Row) + next.Left;
      const int count = next.Right - next.Left;
      for (int x = 0; x < count + LinePixels - 1; x += LinePixels) {
        const int at = std::min(x, count - 1);
        __builtin_prefetch(src + at, 0);
        __builtin_prefetch(dst + at, 1);
      }
    }
    CopySpanMasked(MutableRow(span->Row) + span->Left, from(*span), span->Right - span->Left);
  }
}

void TCpuCompositor::Put(const TCommand& command, uint32_t* dst, const uint32_t* texels, int count,
                         uint32_t* scratch) const {
  switch (command.Blend) {
    case TBlend::Alpha:
      blend_(dst, texels, count, command.Color);
      break;
    case TBlend::Replace: {
      // Without blending the colour replaces what is there: the same as
      // blending a fully opaque texel.
      uint32_t* opaque = scratch + width_;
      for (int i = 0; i < count; ++i) opaque[i] = texels[i] | OpaqueAlpha;
      blend_(dst, opaque, count, command.Color);
      break;
    }
    case TBlend::Factors:
      for (int i = 0; i < count; ++i) {
        const uint32_t alpha = texels[i] >> 24;
        uint32_t out = 0;
        for (int shift = 0; shift < 24; shift += 8) {
          const uint32_t colour = Div255(((texels[i] >> shift) & 0xFF) * ((command.Color >> shift) & 0xFF));
          const uint32_t under = (dst[i] >> shift) & 0xFF;
          const uint32_t sum = colour * Factor(command.SrcFactor, colour, alpha) +
                               under * Factor(command.DestFactor, colour, alpha);
          out |= std::min<uint32_t>(255, (sum + 127) / 255) << shift;
        }
        dst[i] = out;
      }
      break;
  }
}

void TCpuCompositor::RunRect(const TCommand& command, int top, int bottom, uint32_t* scratch) {
  const TCpuTexels& texels = *command.Texels;
  const uint16_t* columns = columns_.data() + command.ColumnOffset;
  const int width = command.Bounds.Width();
  const int64_t span = command.Bottom - command.Top;
  // At 1:1 neighbouring pixels show neighbouring texels, read in place.
  const bool inPlace = command.Right - command.Left == SubPixel * texels.Width;
  for (int row = top; row < bottom; ++row) {
    const int64_t numerator = (SubPixel * row + HalfPixel - command.Top) * texels.Height;
    const int texelRow = TexelIndex(FloorDiv(numerator, span), texels.Height);
    const int firstTexel = texels.First[static_cast<size_t>(texelRow)];
    const int lastTexel = texels.Last[static_cast<size_t>(texelRow)];
    if (firstTexel > lastTexel && command.Blend == TBlend::Alpha) continue;
    int begin = 0;
    int end = width;
    if (command.Blend == TBlend::Alpha) {
      // Only the columns showing texels that are not fully transparent.
      begin = static_cast<int>(std::lower_bound(columns, columns + width, firstTexel) - columns);
      end = static_cast<int>(std::upper_bound(columns + begin, columns + width, lastTexel) - columns);
      if (begin >= end) continue;
    }
    const uint32_t* source = texels.Row(texelRow);
    uint32_t* dst = MutableRow(row) + command.Bounds.Left + begin;
    if (inPlace) {
      Put(command, dst, source + columns[begin], end - begin, scratch);
      continue;
    }
    gather_(scratch, source, columns + begin, end - begin);
    Put(command, dst, scratch, end - begin, scratch);
  }
}

void TCpuCompositor::RunScaledRect(const TCommand& command, int top, int bottom, uint32_t* scratch) {
  const TCpuTexels& texels = *command.Scaled;
  const int left = command.Bounds.Left - command.ScaledLeft;
  const int right = command.Bounds.Right - command.ScaledLeft;
  for (int row = top; row < bottom; ++row) {
    const int texelRow = row - command.ScaledTop;
    int begin = left;
    int end = right;
    if (command.Blend == TBlend::Alpha) {
      // Only the texels that are not fully transparent, by the loop the
      // layers of a bubble take.
      begin = std::max(begin, texels.First[static_cast<size_t>(texelRow)]);
      end = std::min(end, texels.Last[static_cast<size_t>(texelRow)] + 1);
      if (begin >= end) continue;
      const TLayerSpan layer{texels.Row(texelRow) + begin, command.ScaledLeft + begin, command.ScaledLeft + end,
                             command.Color};
      layers_(MutableRow(row), &layer, 1);
      continue;
    }
    Put(command, MutableRow(row) + command.ScaledLeft + begin, texels.Row(texelRow) + begin, end - begin,
        scratch);
  }
}

// A bubble's straight squares (shadow, body, picture, front) overlap almost
// wholly: run together row by row, each row stays in the nearest cache from
// the first square to the last, where square by square every square would
// fetch the whole bubble again. Each pixel still sees the squares in the
// order they were drawn.
void TCpuCompositor::GroupLayers() {
  const auto layer = [](const TCommand& command) {
    return command.Kind == TKind::Rect && command.Scaled && command.Blend == TBlend::Alpha;
  };
  for (size_t i = 0; i < commands_.size();) {
    size_t end = i + 1;
    if (layer(commands_[i])) {
      TRect joined = commands_[i].Bounds;
      for (; end < commands_.size() && end - i < size_t(MaxLayers) && layer(commands_[end]) &&
             TDamageRegion::WorthJoining(joined, commands_[end].Bounds);
           ++end) {
        const TRect& next = commands_[end].Bounds;
        joined = TRect{std::min(joined.Left, next.Left), std::min(joined.Top, next.Top),
                       std::max(joined.Right, next.Right), std::max(joined.Bottom, next.Bottom)};
      }
    }
    commands_[i].Layers = static_cast<int>(end - i);
    for (size_t k = i + 1; k < end; ++k) commands_[k].Layers = 0;
    i = end;
  }
}

void TCpuCompositor::RunLayers(const TCommand* first, int top, int bottom) {
  const int count = first->Layers;
  int rowsTop = INT32_MAX, rowsBottom = INT32_MIN;
  for (int k = 0; k < count; ++k) {
    rowsTop = std::min(rowsTop, first[k].Bounds.Top);
    rowsBottom = std::max(rowsBottom, first[k].Bounds.Bottom);
  }
  TLayerSpan spans[MaxLayers];
  for (int row = std::max(top, rowsTop); row < std::min(bottom, rowsBottom); ++row) {
    int used = 0;
    for (int k = 0; k < count; ++k) {
      const TCommand& command = first[k];
      if (row < command.Bounds.Top || row >= command.Bounds.Bottom) continue;
      // Only the texels that are not fully transparent, as RunScaledRect.
      const TCpuTexels& texels = *command.Scaled;
      const size_t texelRow = static_cast<size_t>(row - command.ScaledTop);
      const int begin = std::max(command.Bounds.Left - command.ScaledLeft, texels.First[texelRow]);
      const int end = std::min(command.Bounds.Right - command.ScaledLeft, texels.Last[texelRow] + 1);
      if (begin >= end) continue;
      spans[used++] = TLayerSpan{texels.Row(static_cast<int>(texelRow)) + begin, command.ScaledLeft + begin,
                                 command.ScaledLeft + end, command.Color};
    }
    if (used > 0) layers_(MutableRow(row), spans, used);
  }
}

void TCpuCompositor::RunTriangle(const TCommand& command, int top, int bottom, uint32_t* scratch) {
  const TCpuTexels& texels = *command.Texels;
  const TTriangleSetup& t = command.Triangle;
  TTexelRows uRows(t.UBase, t.UStepX, t.UStepY, t.Denominator, t.UCommon);
  TTexelRows vRows(t.VBase, t.VStepX, t.VStepY, t.Denominator, t.VCommon);
  TWalkSteps steps;
  steps.UStep = uRows.StepWhole();
  steps.UStepPart = uRows.StepPart();
  steps.UDenominator = uRows.Denominator();
  steps.VStep = vRows.StepWhole();
  steps.VStepPart = vRows.StepPart();
  steps.VDenominator = vRows.Denominator();
  PlanWalk(steps);
  TEdgeRows edges[3];
  for (int i = 0; i < 3; ++i) edges[i] = TEdgeRows(t.Edges[i], top);
  for (int row = top; row < bottom; ++row) {
    int64_t begin = command.Bounds.Left;
    int64_t end = command.Bounds.Right;
    for (TEdgeRows& edge : edges) {
      edge.Clip(begin, end);
      edge.NextRow();
    }
    if (begin >= end) continue;
    // Texel positions at the first pixel, then stepped exactly: quotient and
    // remainder advance together, so no pixel drifts from floor(N / D).
    TTexelWalk walk;
    uRows.MoveTo(row, begin, walk.U, walk.UPart);
    vRows.MoveTo(row, begin, walk.V, walk.VPart);
    const int count = static_cast<int>(end - begin);
    if (command.Blend == TBlend::Alpha) {
      // Only the pixels whose texels may not be clear.
      int first = 0, last = 0;
      if (!command.Hull->Clip(steps, walk, count, first, last)) continue;
      if (first > 0) walk = WalkFrom(steps, walk, first);
      walkBlend_(MutableRow(row) + begin + first, *command.Tiled, steps, walk, last - first + 1, command.Color);
      continue;
    }
    walk_(scratch, texels.Pixels.data(), texels.Width, texels.Height, steps, walk, count);
    Put(command, MutableRow(row) + begin, scratch, count, scratch);
  }
}
