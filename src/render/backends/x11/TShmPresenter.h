#pragma once
#include <SDL.h>

#include <cstdint>
#include <memory>

// Shows frames in an X11 window through an image in memory shared with the
// X server, on a connection of its own that the event loop does not watch.
// The server is asked to say when it has read an image, and nobody waits for
// that: the answer lies ready in the connection when the next frame is about
// to be drawn, 40 ms later, so a frame costs no round trip and no extra wake
// of the user-interface thread. The rule that the image is not written while
// the server may still read it holds through WaitUntilRead.
class TShmPresenter {
 public:
  // What a rectangle handed to Show costs the X server beyond its pixels,
  // said in pixels copied: each rectangle, and each of its rows. The
  // rectangles only clip a single put of their bounding box, which the
  // server copies box by box and row by row; a row that starts somewhere
  // new costs about as much as copying another RowPixels (measured under
  // Xvfb: about 25 ns against 0.2 ns a pixel).
  static constexpr int64_t RectPixels = 128;
  static constexpr int64_t RowPixels = 128;

  // Null when the window is not an X11 one or the server cannot share memory
  // with this process (another machine's display, no MIT-SHM).
  static std::unique_ptr<TShmPresenter> Open(SDL_Window* window);
  ~TShmPresenter();
  TShmPresenter(const TShmPresenter&) = delete;
  TShmPresenter& operator=(const TShmPresenter&) = delete;

  // Whether Surface(width, height) is the surface there is now.
  bool Fits(int width, int height) const;
  // The image as a surface laid out as 0x00RRGGBB, made anew (black) when the
  // size changed; null when no image could be made. Call WaitUntilRead
  // before writing into it.
  SDL_Surface* Surface(int width, int height);
  // Returns once the server has read every image shown so far.
  void WaitUntilRead();
  // Sends those parts of the surface to the window, without waiting. The
  // rectangles may overlap; parts of the surface between them may be sent
  // too.
  bool Show(const SDL_Rect* rects, int count);

 private:
  struct TImpl;
  explicit TShmPresenter(std::unique_ptr<TImpl> impl);
  std::unique_ptr<TImpl> impl_;
};
