#include "app/list/x11_direct_save.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace glimbrik {

namespace {

xcb_connection_t* Connection() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->connection() : nullptr;
}

struct FreeReply {
  void operator()(void* reply) const { std::free(reply); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeReply>;

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  const Reply<xcb_intern_atom_reply_t> reply(
      xcb_intern_atom_reply(c, xcb_intern_atom(c, false, uint16_t(strlen(name)), name), nullptr));
  return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

constexpr const char* kDirectSave = "XdndDirectSave0";
constexpr const char* kTextPlain = "text/plain";

}  // namespace

bool X11DirectSave::Available() { return Connection() != nullptr; }

bool X11DirectSave::Offer(const QByteArray& name) {
  xcb_connection_t* c = Connection();
  if (!c) return false;
  // The window the drag's messages name as their source is the one that owns its selection.
  const Reply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
      c, xcb_get_selection_owner(c, Atom(c, "XdndSelection")), nullptr));
  if (!owner || owner->owner == XCB_WINDOW_NONE) return false;
  window_ = owner->owner;
  // With its terminating zero: libfm reads the name as a C string.
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, window_, Atom(c, kDirectSave), Atom(c, kTextPlain),
                      8, uint32_t(name.size() + 1), name.constData());
  xcb_flush(c);
  return true;
}

QByteArray X11DirectSave::Target() const {
  xcb_connection_t* c = Connection();
  if (!c || !window_) return {};
  const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
      c,
      xcb_get_property(c, false, window_, Atom(c, kDirectSave), XCB_GET_PROPERTY_TYPE_ANY, 0, 4096),
      nullptr));
  if (!reply || reply->format != 8) return {};
  QByteArray value(static_cast<const char*>(xcb_get_property_value(reply.get())),
                   xcb_get_property_value_length(reply.get()));
  // Some targets count the terminating zero in.
  while (value.endsWith('\0')) value.chop(1);
  return value;
}

}  // namespace glimbrik
