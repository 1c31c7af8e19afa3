#include "render/backends/x11/TShmPresenter.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/x11/XRequestsAccepted.h"

namespace {

constexpr unsigned long RedMask = 0x00FF0000;
constexpr unsigned long GreenMask = 0x0000FF00;
constexpr unsigned long BlueMask = 0x000000FF;
// A SetClipRectangles request before its rectangles.
constexpr long ClipRequestBytes = 12;

// A server reached through a local socket shares this machine's memory; one
// across the network might even accept a segment number that means another
// segment over there.
bool OnThisMachine(Display* display) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  return getsockname(ConnectionNumber(display), reinterpret_cast<sockaddr*>(&address), &length) == 0 &&
         address.ss_family == AF_UNIX;
}

}  // namespace

struct TShmPresenter::TImpl {
  Display* Dpy = nullptr;
  Window Target = 0;
  Visual* TargetVisual = nullptr;
  int Depth = 0;
  GC Gc = nullptr;
  XImage* Image = nullptr;
  XShmSegmentInfo Segment{};
  bool Attached = false;
  SDL_Surface* Surface = nullptr;
  // The last image shown, and whether the server may still be reading it.
  unsigned long LastShown = 0;
  bool Reading = false;
  // Whether the GC clips to rectangles, and room to hand them over.
  bool Clipped = false;
  std::vector<XRectangle> ClipRects;

  ~TImpl() {
    DropImage();
    if (Gc) XFreeGC(Dpy, Gc);
    if (Dpy) XCloseDisplay(Dpy);
  }

  void WaitUntilRead() {
    if (!Reading) return;
    // The completion (or an error, if the window went) is normally in the
    // connection already: reading it is enough. Only a server still busy
    // with the image costs a round trip.
    if (XLastKnownRequestProcessed(Dpy) < LastShown) XEventsQueued(Dpy, QueuedAfterReading);
    if (XLastKnownRequestProcessed(Dpy) < LastShown) XSync(Dpy, False);
    XEvent event;
    while (XQLength(Dpy) > 0) XNextEvent(Dpy, &event);
    Reading = false;
  }

  void DropImage() {
    WaitUntilRead();
    if (Surface) SDL_FreeSurface(Surface);
    Surface = nullptr;
    if (Attached) {
      XShmDetach(Dpy, &Segment);
      XSync(Dpy, False);
    }
    Attached = false;
    if (Segment.shmaddr) shmdt(Segment.shmaddr);
    Segment = XShmSegmentInfo{};
    if (Image) {
      Image->data = nullptr;
      XDestroyImage(Image);
    }
    Image = nullptr;
  }

  bool MakeImage(int width, int height) {
    Image = XShmCreateImage(Dpy, TargetVisual, static_cast<unsigned>(Depth), ZPixmap, nullptr, &Segment,
                            static_cast<unsigned>(width), static_cast<unsigned>(height));
    // The compositor draws rows of 0x00RRGGBB words, nothing else.
    if (!Image || Image->bits_per_pixel != 32 || Image->bytes_per_line != width * 4 ||
        Image->byte_order != LSBFirst) {
      return false;
    }
    Segment.shmid = shmget(IPC_PRIVATE, static_cast<size_t>(Image->bytes_per_line) * static_cast<size_t>(height),
                           IPC_CREAT | 0600);
    if (Segment.shmid < 0) return false;
    void* memory = shmat(Segment.shmid, nullptr, 0);
    if (memory == reinterpret_cast<void*>(-1)) {
      shmctl(Segment.shmid, IPC_RMID, nullptr);
      return false;
    }
    Segment.shmaddr = Image->data = static_cast<char*>(memory);
    Segment.readOnly = False;
    Attached = XRequestsAccepted(Dpy, [&] { XShmAttach(Dpy, &Segment); });
    // Marked for removal now: it goes once both sides have let it go, even
    // if this process does not live to detach it.
    shmctl(Segment.shmid, IPC_RMID, nullptr);
    if (!Attached) return false;
    Surface = SDL_CreateRGBSurfaceWithFormatFrom(Image->data, width, height, 32, Image->bytes_per_line,
                                                 SDL_PIXELFORMAT_RGB888);
    return Surface != nullptr;
  }
};

std::unique_ptr<TShmPresenter> TShmPresenter::Open(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return nullptr;
  auto impl = std::make_unique<TImpl>();
  impl->Dpy = XOpenDisplay(DisplayString(info.info.x11.display));
  if (!impl->Dpy || !OnThisMachine(impl->Dpy)) return nullptr;
  int major = 0, minor = 0;
  Bool pixmaps = False;
  if (!XShmQueryVersion(impl->Dpy, &major, &minor, &pixmaps)) return nullptr;
  impl->Target = info.info.x11.window;
  XWindowAttributes attributes{};
  Status got = 0;
  if (!XRequestsAccepted(impl->Dpy, [&] { got = XGetWindowAttributes(impl->Dpy, impl->Target, &attributes); }) || !got ||
      !attributes.visual) {
    return nullptr;
  }
  const Visual* visual = attributes.visual;
  if ((attributes.depth != 24 && attributes.depth != 32) || visual->red_mask != RedMask ||
      visual->green_mask != GreenMask || visual->blue_mask != BlueMask) {
    return nullptr;
  }
  impl->TargetVisual = attributes.visual;
  impl->Depth = attributes.depth;
  // No exposure events: nothing here would read them.
  XGCValues values{};
  values.graphics_exposures = False;
  if (!XRequestsAccepted(impl->Dpy, [&] { impl->Gc = XCreateGC(impl->Dpy, impl->Target, GCGraphicsExposures, &values); })) {
    return nullptr;
  }
  // A window whose shared image cannot even be made at its size is shown
  // the ordinary way.
  if (!impl->Gc || !impl->MakeImage(std::max(attributes.width, 1), std::max(attributes.height, 1))) return nullptr;
  return std::unique_ptr<TShmPresenter>(new TShmPresenter(std::move(impl)));
}

TShmPresenter::TShmPresenter(std::unique_ptr<TImpl> impl) : impl_(std::move(impl)) {}

TShmPresenter::~TShmPresenter() = default;

bool TShmPresenter::Fits(int width, int height) const {
  return impl_->Surface && impl_->Image->width == width && impl_->Image->height == height;
}

SDL_Surface* TShmPresenter::Surface(int width, int height) {
  if (Fits(width, height)) return impl_->Surface;
  impl_->DropImage();
  if (width <= 0 || height <= 0 || !impl_->MakeImage(width, height)) {
    impl_->DropImage();
    return nullptr;
  }
  return impl_->Surface;
}

void TShmPresenter::WaitUntilRead() { impl_->WaitUntilRead(); }

bool TShmPresenter::Show(const SDL_Rect* rects, int count) {
  if (!impl_->Surface) return false;
  if (count <= 0) return true;
  // Every request costs the server a fixed price, each box of a clip far
  // less: the rectangles clip one put of their bounding box. Past what one
  // request can carry, the box is sent whole: the image holds the frame
  // there too.
  int left = rects[0].x, top = rects[0].y, right = left + rects[0].w, bottom = top + rects[0].h;
  for (int i = 1; i < count; ++i) {
    left = std::min(left, rects[i].x);
    top = std::min(top, rects[i].y);
    right = std::max(right, rects[i].x + rects[i].w);
    bottom = std::max(bottom, rects[i].y + rects[i].h);
  }
  const long clipRoom = (XMaxRequestSize(impl_->Dpy) * 4 - ClipRequestBytes) / static_cast<long>(sizeof(uint32_t) * 2);
  if (count > 1 && count <= clipRoom) {
    impl_->ClipRects.resize(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
      impl_->ClipRects[static_cast<size_t>(i)] =
          XRectangle{static_cast<short>(rects[i].x), static_cast<short>(rects[i].y),
                     static_cast<unsigned short>(rects[i].w), static_cast<unsigned short>(rects[i].h)};
    }
    XSetClipRectangles(impl_->Dpy, impl_->Gc, 0, 0, impl_->ClipRects.data(), count, Unsorted);
    impl_->Clipped = true;
  } else if (impl_->Clipped) {
    XSetClipMask(impl_->Dpy, impl_->Gc, None);
    impl_->Clipped = false;
  }
  XShmPutImage(impl_->Dpy, impl_->Target, impl_->Gc, impl_->Image, left, top, left, top,
               static_cast<unsigned>(right - left), static_cast<unsigned>(bottom - top), True);
  impl_->LastShown = NextRequest(impl_->Dpy) - 1;
  impl_->Reading = true;
  XFlush(impl_->Dpy);
  return true;
}
