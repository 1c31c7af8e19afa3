#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "render/D3DTypes.h"
#include "render/backends/cpu/CpuLayerSpan.h"
#include "render/backends/cpu/CpuRaster.h"
#include "render/backends/cpu/CpuRowCut.h"
#include "render/backends/cpu/CpuSpan.h"
#include "render/backends/cpu/CpuTurnedBubble.h"
#include "render/backends/cpu/CpuVisibleHull.h"
#include "render/backends/cpu/TCpuBandChains.h"
#include "render/backends/cpu/TCpuTexels.h"
#include "render/backends/cpu/TCpuTiledPair.h"
#include "render/backends/cpu/TCpuTiledTexels.h"
#include "render/backends/cpu/TCpuWorkerPool.h"
#include "render/backends/cpu/TDamageRegion.h"
#include "render/backends/cpu/TKeptTextures.h"
#include "render/backends/cpu/TShadowHandOver.h"
#include "render/backends/cpu/TTouchedRows.h"

// Composes a back surface in system memory: clears, 1:1 copies and textured
// triangle strips. Draws are collected and carried out together, the surface
// cut into bands of rows that the threads take in any order while each band
// runs every draw in the order it was made, so the pixels come out exactly
// as one thread drawing one square after another would leave them.
class TCpuCompositor {
 public:
  // Pixels a flush touches below which it runs on the calling thread alone.
  // Measured on two cores at 1920 x 1080: up to 20 bubbles (about 2.6 M a
  // frame) a second thread ends a frame no sooner, since the work is mostly
  // moving memory and the worker has to be woken first; from 40 (5 M) on it
  // does. A light frame on one thread spares the wake-ups and is as cheap.
  static constexpr int64_t LightFlushPixels = int64_t(1) << 22;

  // `threads` 0 takes every core the machine has.
  explicit TCpuCompositor(int threads = 0, TSpanKernel kernel = TSpanKernel::Best);

  // (Re)makes the surface at width x height, black, viewport all of it, in
  // memory of its own.
  void Resize(int width, int height);
  // Draws from now on straight into `memory`: Width() x Height() pixels,
  // rows one after another, which the caller keeps until it calls
  // UseOwnMemory or Resize. What the surface shows is carried over.
  void UseMemory(uint32_t* memory);
  // Back into memory of its own, the pixels carried over.
  void UseOwnMemory();
  bool InOwnMemory() const { return base_ == own_.get(); }
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Threads() const { return pool_.Threads(); }
  TSpanKernel Kernel() const { return kernel_; }

  void SetViewport(const TRect& viewport);
  // Fills the rectangle (within the viewport) with colour's low 24 bits.
  void Clear(const TRect& rect, uint32_t color);
  // Copies sourceRect of a source of 0x..RRGGBB pixels to (x, y), clipped to
  // the surface but not to the viewport. False when nothing could be copied.
  // The copy is carried out with the draws at the next Flush: the source's
  // pixels must stay as they are until then.
  // A source named by a nonzero id, whose version changes with its pixels, is
  // copied again only where the surface changed since it was last copied the
  // same way: the background under last frame's bubbles, not the screen.
  bool Copy(const uint32_t* source, int sourceWidth, int sourceHeight, const TRect& sourceRect, int x, int y,
            uint64_t sourceId = 0, uint64_t sourceVersion = 0);
  // A triangle strip; without texels the diffuse colour is drawn with its own
  // alpha. Only source-alpha / inverse-source-alpha blending and no blending
  // take the fast paths; other factors are drawn pixel by pixel.
  void DrawStrip(const TD3DTLVertex* vertices, size_t count, std::shared_ptr<const TCpuTexels> texels,
                 const TRenderStates& states);

  // Carries out every pending operation. `afterBand(top, bottom, worker)`,
  // when given, runs on each band's rows once they are final, on the thread
  // that drew them; `afterBandPixels` says how many pixels it touches in all,
  // so that a light flush stays on the calling thread.
  void Flush(const std::function<void(int top, int bottom, int worker)>& afterBand = {},
             int64_t afterBandPixels = 0);

  // Where the surface changed since the caller last reset this, pending
  // work included: what a present has to show again.
  TDamageRegion& PresentDamage();

  const uint32_t* Pixels() const { return base_; }
  const uint32_t* Row(int y) const { return base_ + static_cast<size_t>(y) * static_cast<size_t>(width_); }

 private:
  enum class TKind { Clear, Rect, Triangle, Copy };

  struct TCopyKey {
    const uint32_t* Source = nullptr;
    uint64_t Id = 0;
    uint64_t Version = 0;
    int Width = 0;
    int Height = 0;
    TRect SourceRect;
    int X = 0;
    int Y = 0;
    bool operator==(const TCopyKey&) const = default;
  };
  enum class TBlend { Alpha, Replace, Factors };

  struct TCommand {
    TKind Kind = TKind::Clear;
    // Pixels the command may touch, already clipped.
    TRect Bounds;
    // Already in the damage regions.
    bool Counted = false;
    uint32_t Color = 0;
    TBlend Blend = TBlend::Alpha;
    uint32_t SrcFactor = 0;
    uint32_t DestFactor = 0;
    std::shared_ptr<const TCpuTexels> Texels;
    // Rect: the fixed-point edges and the first texel column of each pixel
    // column (in columns_ from ColumnOffset); or, when Scaled is set, the
    // texture already at the drawn size, its first pixel at (ScaledLeft,
    // ScaledTop).
    int64_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    size_t ColumnOffset = 0;
    std::shared_ptr<const TCpuTexels> Scaled;
    int ScaledLeft = 0, ScaledTop = 0;
    // How many commands from this one on run together as layers of one
    // bubble (GroupLayers); 0 for those run with an earlier one.
    int Layers = 1;
    TTriangleSetup Triangle;
    // Copy: where the source's pixel (x, y) lands is (x + SourceDx, y +
    // SourceDy); the spans, in copySpans_ row after row, are what is
    // copied, Work pixels.
    const uint32_t* Source = nullptr;
    int SourceWidth = 0;
    int SourceDx = 0, SourceDy = 0;
    size_t PartOffset = 0, PartCount = 0;
    int64_t Work = 0;
    // Triangle blended with source alpha: the texture in tiles, and where
    // it shows anything.
    std::shared_ptr<const TCpuTiledTexels> Tiled;
    std::shared_ptr<const TVisibleHull> Hull;
    // Which strip the command came from: the triangles of one square share it.
    uint64_t Strip = 0;
    // Triangle: its corners' texture coordinates lie within the texture.
    bool OnTexture = false;
    // A triangle counted as a change whose pixels are not yet noted in
    // touchedSinceCopy_: those of a turned bubble are noted by the bands
    // that draw it, from the rows they find anyway.
    bool TouchLater = false;
  };

  // A turned bubble's draws, commands [Begin, End), drawn row by row
  // together: for each of shadow, body, picture and front the commands of
  // its square (Count of them; the front has the body's Count).
  struct TTurnedGroup {
    size_t Begin = 0, End = 0;
    size_t Shadow = 0, Body = 0, Picture = 0, Front = 0;
    int ShadowCount = 0, BodyCount = 0, PictureCount = 0;
    TRect Bounds;
    // Body and front texels together.
    std::shared_ptr<const TCpuTiledPair> Pair;
    // When the shadow's triangles are the body's moved ShadowRows down
    // (1..ShadowRowsKept) and ShadowColumns across, texel walk and all: its
    // rows are the body's rows from that many rows up, moved across.
    int ShadowRows = 0, ShadowColumns = 0;
    // When the pair carries the shadow's alphas: the columns and first row
    // the body's triangles are walked over, where the walk keeps them.
    int BodyLeft = 0, BodyRight = 0, BodyTop = 0;
    // Per body triangle the pixels walked: its own, and, BeyondBody, those
    // where its shadow shows beyond the edge of the screen that cuts the
    // body, moved back (only with the shadow's alphas kept).
    TRect BodyWalk[2];
    bool BeyondBody = false;
    // Whether the bands note the pixels its rows may change.
    bool Touch = false;
    // Whether the body's two triangles map pixels to texels alike: the
    // runs where they meet on a row are walked as one.
    bool BodyOneWalk = false;
    // Where body or front show, and that or the shadow, where its alphas
    // come along: what a walk over the pair is cut to.
    TVisibleHull PairHull, PairShadowHull;
    // Per body triangle, its rows cut to where body, front or a shadow
    // taking the body's rows show; walks over those pixels cut no further.
    TRowCut BodyCut[2];
  };
  static constexpr int ShadowRowsKept = 63;

  size_t PixelCount() const { return static_cast<size_t>(width_) * static_cast<size_t>(height_); }
  uint32_t* MutableRow(int y) { return base_ + static_cast<size_t>(y) * static_cast<size_t>(width_); }
  bool BlendFrom(const TRenderStates& states, TCommand& command) const;
  void AddRect(const TFixedVertex* corners, TCommand command);
  void AddTriangle(const TFixedVertex& a, const TFixedVertex& b, const TFixedVertex& c, TCommand command);
  void Commit();
  // Notes in touchedSinceCopy_ (before the first copy: in sincePresent_)
  // the pixels a command may change, row by row.
  void RecordTouched(const TCommand& command);
  // Adds what changed since the copy to what the next present sends.
  void PresentTouchedSinceCopy();
  // Notes what the commands left for later may change; with
  // `outsideTurned`, only those the turned bubbles' bands do not note.
  void RecordTouchedLater(bool outsideTurned);
  // Notes what the bands of `worker` found the turned bubbles may change,
  // after each band, while the other threads go on drawing: the record is
  // not left to the calling thread alone once every band is done.
  void RecordTurnedTouched(int worker);
  // Whether a triangle of these bounds and edges is among the last few
  // noted since the copy and the present's last reset; if not, it is
  // remembered as noted now.
  bool NotedAlready(const TRect& bounds, const TEdge* edges);
  // Drops every pending command (carried out or not wanted).
  void ForgetCommands();
  // What a band takes from the band above (null unless that one finished
  // before this one began) and hands to the band below (null when nobody
  // waits for it).
  struct TBandLinks {
    TShadowHandOver* From = nullptr;
    TShadowHandOver* To = nullptr;
  };
  // Every pending command over `bands` bands of rows, spread over the
  // threads; afterBand as Flush's.
  void RunBands(int bands, const std::function<void(int top, int bottom, int worker)>& afterBand);
  // Band edges (bands + 1 of them, in bandEdges_) for `jobs` runs of
  // neighbouring bands that hold about as much work each, by the pixels the
  // commands may touch on each row; within a run the bands grow smaller, so
  // that what one job takes over from another at the end is little.
  void PlanBandEdges(int bands, int jobs);
  void RunBand(int top, int bottom, int worker, const TBandLinks& links);
  // Every pending command over rows [top, bottom) of a band.
  void RunSlice(int top, int bottom, int worker, const TBandLinks& links);
  void RunRect(const TCommand& command, int top, int bottom, uint32_t* scratch);
  void RunScaledRect(const TCommand& command, int top, int bottom, uint32_t* scratch);
  void GroupLayers();
  void RunLayers(const TCommand* first, int top, int bottom);
  std::shared_ptr<const TCpuTexels> ScaledTexels(const TCommand& command, const TRect& covered);
  void RunTriangle(const TCommand& command, int top, int bottom, uint32_t* scratch);
  // Finds the turned bubbles among the pending commands.
  void PlanTurnedGroups();
  // The commands of the square drawn from the strip at `at`: how many.
  size_t SquareAt(size_t at) const;
  bool MatchTurnedGroup(size_t at, TTurnedGroup& group);
  // The bubble turned_[index].
  void RunTurnedGroup(const TTurnedGroup& group, size_t index, int top, int bottom, int worker,
                      const TBandLinks& links);
  void RunCopy(const TCommand& command, int top, int bottom);
  void Put(const TCommand& command, uint32_t* dst, const uint32_t* texels, int count, uint32_t* scratch) const;
  int BandCount() const;

  TSpanKernel kernel_;
  TBlendSpanFn blend_;
  TGatherSpanFn gather_;
  TWalkSpanFn walk_;
  TWalkBlendSpanFn walkBlend_;
  TLayerSpanFn layers_;
  TPairBlendSpanFn pairBlend_;
  TAlphaBlendSpanFn alphaBlend_;
  TCopySpanFn copy_;
  TCpuWorkerPool pool_;
  int width_ = 0;
  int height_ = 0;
  TRect viewport_;
  // Memory of its own comes zeroed from the system and costs nothing until
  // drawn on, so a surface that moves into the window's at once never
  // occupies a second screen's worth.
  struct TFree {
    void operator()(uint32_t* memory) const { std::free(memory); }
  };
  std::unique_ptr<uint32_t[], TFree> own_;
  // Draws into fresh memory of its own, zeroed when `black`.
  void TakeOwnMemory(bool black);
  // own_, or the memory UseMemory was given.
  uint32_t* base_ = nullptr;
  // Nothing drawn since Resize: the surface is all black, and a move to other
  // memory blacks that memory instead of reading a screenful of untouched
  // pages, each of which the system would have to map first.
  bool blank_ = true;
  std::vector<TCommand> commands_;
  std::vector<uint16_t> columns_;
  std::vector<TFixedVertex> fixed_;
  // The last copy and, row by row, what changed since (what the next copy
  // restores), and what changed since the last present.
  TCopyKey lastCopy_;
  TTouchedRows touchedSinceCopy_;
  // The triangles last noted there: a turned bubble's front lies exactly on
  // its body, and noting it again would only cost the time.
  struct TNotedTriangle {
    TRect Bounds;
    TEdge Edges[3];
  };
  static constexpr size_t NotedTrianglesKept = 4;
  TNotedTriangle notedTriangles_[NotedTrianglesKept];
  size_t notedTriangleCount_ = 0;
  uint64_t notedPresentResets_ = 0;
  TDamageRegion sincePresent_;
  std::vector<TTouchedRows::TRowSpan> copySpans_;
  // Textures drawn as straight squares, kept at the sizes they were drawn
  // at: a bubble drawn at one size frame after frame then reads its texels
  // in place. Which texel a pixel shows depends on the square's size and on
  // where its edges fall within a pixel, not on where it is.
  struct TScaledKey {
    const TCpuTexels* Source = nullptr;
    int64_t SpanX = 0, SpanY = 0, PhaseX = 0, PhaseY = 0;
    bool operator==(const TScaledKey&) const = default;
  };
  TKeptTextures<TScaledKey, std::shared_ptr<const TCpuTexels>> scaled_;
  // Textures drawn turned: in tiles, with their visible hull.
  struct TTiledKey {
    const TCpuTexels* Source = nullptr;
    bool AlphaOnly = false;
    bool operator==(const TTiledKey&) const = default;
  };
  struct TTiledForm {
    std::shared_ptr<const TCpuTiledTexels> Tiles;
    std::shared_ptr<const TVisibleHull> Hull;
  };
  TKeptTextures<TTiledKey, TTiledForm> tiled_;
  // Textures drawn as straight squares at their kept size: the spans their
  // visible texels cover, per group of rows, for the restore's record.
  TKeptTextures<const TCpuTexels*, TTouchedRows::TShape> shapes_;
  uint64_t strips_ = 0;
  // Bubbles found at this flush, and for each command the group it starts
  // (-1 for none).
  std::vector<TTurnedGroup> turned_;
  std::vector<int32_t> turnedAt_;
  // A body and a front texture read together, by their tiled forms.
  struct TPairKey {
    const TCpuTiledTexels* First = nullptr;
    const TCpuTiledTexels* Second = nullptr;
    const TCpuTiledTexels* Third = nullptr;
    bool operator==(const TPairKey&) const = default;
  };
  TKeptTextures<TPairKey, std::shared_ptr<const TCpuTiledPair>> pairs_;
  // Per worker: room for one row of gathered texels and one of blended ones.
  std::vector<std::vector<uint32_t>> scratch_;
  // Per worker: the shadow alphas a turned body's walk kept, a row of them
  // for each of the last ShadowRowsKept + 1 rows.
  std::vector<std::vector<uint8_t>> keptAlphas_;
  // Bands of a flush with turned bubbles, handed out in runs of neighbours,
  // and per band what the band above hands it.
  TCpuBandChains chains_;
  std::vector<TShadowHandOver> handOvers_;
  std::vector<int> bandEdges_;
  std::mutex touchedMutex_;
  std::vector<int64_t> rowWork_;
  // Per worker: a turned body's runs on each of the last ShadowRowsKept + 1
  // rows, and which of its triangles each is of, for its shadow.
  struct TKeptRow {
    int Count = 0;
    TTurnedRun Runs[2];
    int Of[2] = {};
  };
  std::vector<std::vector<TKeptRow>> keptRows_;
  // Per worker: the pixels its bands found turned bubbles may change, each
  // worker's list on a cache line of its own: the workers add to theirs all
  // the time, and lists side by side would pass one line back and forth.
  struct alignas(64) TWorkerTouched {
    std::vector<TTouchedRows::TRowSpan> Spans;
  };
  std::vector<TWorkerTouched> turnedTouched_;
};
