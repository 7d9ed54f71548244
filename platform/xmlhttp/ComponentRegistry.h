#pragma once
// Creates components by ProgID, as the system's component registry does. ProgIDs compare
// without regard to ASCII case. An unknown ProgID gives no instance.

#include <functional>
#include <map>
#include <string>

#include "platform/xmlhttp/ServerXmlHttp.h"

namespace sonivo::xmlhttp {

inline constexpr char SERVER_XML_HTTP_PROG_ID[] = "MSXML2.ServerXMLHTTP";

class ComponentRegistry {
 public:
  using Factory = std::function<ComponentRef()>;

  // The process-wide registry, with our component under SERVER_XML_HTTP_PROG_ID.
  static ComponentRegistry& instance();

  ComponentRef create(const Text& prog_id) const;

  // Test seams: a refusing registry creates nothing, as on a system where the component
  // is not registered; a factory may stand in for a ProgID; restore_defaults undoes both.
  void set_refusing(bool refusing) { refusing_ = refusing; }
  void register_factory(const Text& prog_id, Factory factory);
  void restore_defaults();

 private:
  ComponentRegistry();

  std::map<std::string, Factory> factories_;  // by lower-cased ProgID
  bool refusing_ = false;
};

inline ComponentRef create_component(const Text& prog_id) {
  return ComponentRegistry::instance().create(prog_id);
}

}  // namespace sonivo::xmlhttp
