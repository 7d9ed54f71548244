#include "platform/xmlhttp/ComponentRegistry.h"

#include "platform/xmlhttp/CurlServerXmlHttp.h"
#include "text/TextOps.h"

namespace sonivo::xmlhttp {
namespace {

std::string key_of(const Text& prog_id) {
  return to_lower(prog_id).str();
}

}  // namespace

ComponentRegistry& ComponentRegistry::instance() {
  static ComponentRegistry registry;
  return registry;
}

ComponentRegistry::ComponentRegistry() {
  restore_defaults();
}

ComponentRef ComponentRegistry::create(const Text& prog_id) const {
  if (refusing_) {
    return nullptr;
  }
  const auto found = factories_.find(key_of(prog_id));
  if (found == factories_.end() || !found->second) {
    return nullptr;
  }
  return found->second();
}

void ComponentRegistry::register_factory(const Text& prog_id, Factory factory) {
  factories_[key_of(prog_id)] = std::move(factory);
}

void ComponentRegistry::restore_defaults() {
  refusing_ = false;
  factories_.clear();
  factories_[key_of(Text(SERVER_XML_HTTP_PROG_ID))] = [] {
    return std::make_shared<CurlServerXmlHttp>();
  };
}

}  // namespace sonivo::xmlhttp
