#pragma once
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "render/backends/cpu/TCpuTexels.h"

// Forms of textures worked out once and kept while they are drawn: a texture
// at the size it is drawn at, or in tiles for turned drawing. A form is let go
// when its texture is held by nobody else, or after KeptFlushes flushes (two a
// frame) in which it was not asked for.
template <class TKey, class TForm>
class TKeptTextures {
 public:
  static constexpr uint64_t KeptFlushes = 50;

  // The form kept under `key`, else the one `make()` works out, kept from now.
  template <class Make>
  const TForm& Find(const TKey& key, const std::shared_ptr<const TCpuTexels>& source, Make&& make) {
    for (TEntry& entry : entries_) {
      if (entry.Key == key) {
        entry.LastUse = flushes_;
        return entry.Form;
      }
    }
    entries_.push_back(TEntry{key, source, std::forward<Make>(make)(), flushes_});
    return entries_.back().Form;
  }

  // Called after each flush.
  void FlushDone() {
    ++flushes_;
    std::erase_if(entries_, [&](const TEntry& entry) {
      return entry.Source.use_count() == 1 || entry.LastUse + KeptFlushes < flushes_;
    });
  }

 private:
  struct TEntry {
    TKey Key;
    std::shared_ptr<const TCpuTexels> Source;
    TForm Form;
    uint64_t LastUse = 0;
  };
  std::vector<TEntry> entries_;
  uint64_t flushes_ = 0;
};
