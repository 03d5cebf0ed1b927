// msgbox.cpp - the message-box stand-in and the loaded-module test.
#include "platform/msgbox.h"

#include <link.h>
#include <strings.h>

#include <cstdio>
#include <cstring>

namespace platform {

namespace {
struct ModuleQuery {
  const char *const *names;
  bool found;
};

int visitModule(struct dl_phdr_info *info, size_t, void *data) {
  ModuleQuery *query = static_cast<ModuleQuery *>(data);
  const char *path = info->dlpi_name;
  if (!path || !*path)
    return 0;
  const char *slash = std::strrchr(path, '/');
  const char *base = slash ? slash + 1 : path;
  for (const char *const *n = query->names; *n; ++n) {
    if (strncasecmp(base, *n, std::strlen(*n)) == 0) {
      query->found = true;
      return 1;
    }
  }
  return 0;
}
} // namespace

bool IsModuleLoaded(const char *const *names) {
  ModuleQuery query{names, false};
  dl_iterate_phdr(&visitModule, &query);
  return query.found;
}

void MessageBoxA(const char *title, const char *text) {
  const char *t = text ? text : "";
  const size_t n = std::strlen(t);
  std::fprintf(stderr, "%s: %s%s", title ? title : "", t, (n && t[n - 1] == '\n') ? "" : "\n");
  std::fflush(stderr);
}

} // namespace platform
