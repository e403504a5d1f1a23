// Named, immutable byte blocks that payloads are read from: the RT_RCDATA resources of a module.
//
// A name is compared up to its first NUL byte and without regard to ASCII letter case, the way the
// platform matches resource names. Found blocks stay valid and unchanged for the lifetime of the store.
// Nothing here fails loudly: a name that is not there is simply not found.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

class ResourceStore {
  public:
    virtual ~ResourceStore() = default;

    // The bytes of the resource `name`, or nullopt when the store has no resource of that name.
    virtual std::optional<std::string_view> Find(std::string_view name) const = 0;
};

// A store held in memory, for tests and for the packer, which reads resources out of a PE file. The
// running executable's own resources are ModuleResourceStore (payload/resource_store_win.h).
class MemoryResourceStore : public ResourceStore {
  public:
    // Adds `bytes` under `name`; a name that is already present (letter case ignored) is replaced.
    void Add(std::string_view name, std::string bytes);

    std::optional<std::string_view> Find(std::string_view name) const override;

  private:
    std::map<std::string, std::string> blocks_; // key: name folded to upper case, cut at its first NUL
};

// The key under which stores compare names: cut at the first NUL, ASCII letters upper-cased.
std::string ResourceNameKey(std::string_view name);
