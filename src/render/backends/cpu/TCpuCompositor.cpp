#include "render/backends/cpu/TCpuCompositor.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <thread>

#include "render/backends/cpu/CpuRects.h"
#include "render/backends/cpu/CpuTriangleRows.h"

namespace {

// Bands per thread: enough that a band crowded with bubbles does not leave
// the other thread idle, few enough that each draw is set up rarely.
constexpr int BandsPerThread = 4;
constexpr int MinBandRows = 16;
// Rows a band runs every draw over before it moves on: few enough that what
// the restore wrote and the layers below have left stays in the thread's
// own cache for the layers above, where a whole band's rows would not.
constexpr int SliceRows = 16;
constexpr uint32_t ColourMask = 0x00FFFFFF;
constexpr uint32_t OpaqueAlpha = 0xFF000000u;
constexpr size_t StripCorners = 4;
// Textures drawn larger than this are read through their columns instead of
// being kept at the drawn size.
constexpr int64_t MaxScaledPixels = int64_t(1) << 18;

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
      alphaBlend_(AlphaBlendSpanFunction(kernel)),
      copy_(CopySpanFunction(kernel)),
      pool_(threads > 0 ? threads : std::max(1, static_cast<int>(std::thread::hardware_concurrency()))) {
  scratch_.resize(static_cast<size_t>(pool_.Threads()));
}

void TCpuCompositor::Resize(int width, int height) {
  ForgetCommands();
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  TakeOwnMemory(true);
  blank_ = true;
  viewport_ = TRect{0, 0, width_, height_};
  lastCopy_ = TCopyKey{};
  touchedSinceCopy_.Resize(width_, height_);
  notedTriangleCount_ = 0;
  sincePresent_.Resize(width_, height_);
}

void TCpuCompositor::UseMemory(uint32_t* memory) {
  if (!memory || memory == base_) return;
  if (blank_) {
    std::fill_n(memory, PixelCount(), 0u);
  } else {
    std::copy_n(base_, PixelCount(), memory);
  }
  own_.reset();
  base_ = memory;
}

void TCpuCompositor::UseOwnMemory() {
  if (InOwnMemory()) return;
  const uint32_t* shown = base_;
  TakeOwnMemory(blank_);
  if (!blank_) std::copy_n(shown, PixelCount(), base_);
}

void TCpuCompositor::TakeOwnMemory(bool black) {
  const size_t count = std::max<size_t>(PixelCount(), 1);
  own_.reset(static_cast<uint32_t*>(black ? std::calloc(count, sizeof(uint32_t))
                                          : std::malloc(count * sizeof(uint32_t))));
  if (!own_) throw std::bad_alloc();
  base_ = own_.get();
}

void TCpuCompositor::ForgetCommands() {
  commands_.clear();
  columns_.clear();
  copySpans_.clear();
  turned_.clear();
  turnedAt_.clear();
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
  const auto onTexture = [](const TFixedVertex& v) {
    return v.U >= 0 && v.U <= TexCoordOne && v.V >= 0 && v.V <= TexCoordOne;
  };
  command.OnTexture = onTexture(a) && onTexture(b) && onTexture(c);
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
  RecordTouchedLater(true);
  // Waking another thread costs more than it saves on a light frame.
  const int bands = work < LightFlushPixels ? 1 : BandCount();
  blank_ = false;
  RunBands(bands, afterBand);
  ForgetCommands();
  scaled_.FlushDone();
  tiled_.FlushDone();
  shapes_.FlushDone();
  pairs_.FlushDone();
}

// Every draw only ever reads and writes the rows it is drawn on, so a band
// run slice by slice leaves the same pixels as run whole. A turned bubble
// sets up its walks afresh for every run, which costs more than a slice
// saves: a flush with turned bubbles runs its bands whole.
void TCpuCompositor::RunBand(int top, int bottom, int worker, const TBandLinks& links) {
  const int slice = turned_.empty() ? SliceRows : bottom - top;
  for (int sliceTop = top; sliceTop < bottom; sliceTop += slice) {
    RunSlice(sliceTop, std::min(bottom, sliceTop + slice), worker, links);
  }
}

void TCpuCompositor::RunSlice(int top, int bottom, int worker, const TBandLinks& links) {
  uint32_t* scratch = scratch_[static_cast<size_t>(worker)].data();
  for (size_t i = 0; i < commands_.size(); ++i) {
    if (turnedAt_[i] >= 0) {
      const TTurnedGroup& group = turned_[static_cast<size_t>(turnedAt_[i])];
      RunTurnedGroup(group, static_cast<size_t>(turnedAt_[i]), top, bottom, worker, links);
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
