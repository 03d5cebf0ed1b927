// basutdir.cpp - directory listings and their iterators.
#include "basutdir.h"

#include "Port_Exception.h"
#include "Port_MsgManData.h"
#include "basutdarray.h"
#include "basutstr.h"
#include "platform/fileio.h"

#include <string>
#include <vector>

namespace {
const char *const kRevision = "$Revision: 1.6 $";
} // namespace

// The owned name texts of one listing.
class UT_DIRIMP {
public:
  UT_DIRIMP(const char *path, bool skipDotNames) : valid(false) {
    if (!path)
      return;
    std::string search = path;
    if (search.empty() || (search.back() != '/' && search.back() != '\\'))
      search += "/";
    search += "*.*";
    std::vector<std::string> found;
    valid = platform::findFiles(search.c_str(), &found);
    for (const std::string &name : found)
      if (!skipDotNames || name[0] != '.')
        names.append(UT_STR::Dup(name.c_str()));
  }
  UT_DIRIMP(const UT_DIRIMP &) = delete;
  UT_DIRIMP &operator=(const UT_DIRIMP &other) {
    if (this == &other)
      return *this;
    clear();
    for (int i = 0; i < other.count(); ++i)
      names.append(UT_STR::Dup(other.at(i)));
    valid = other.valid;
    return *this;
  }
  ~UT_DIRIMP() { clear(); }

  int count() const { return names.getnum(); }
  const char *at(int i) const { return names.data()[i]; }

  PORT_DARRAY_TYPED<char *> names;
  bool valid;

private:
  void clear() {
    for (int i = 0; i < count(); ++i)
      delete[] names.data()[i];
    names.a_resetnum(0);
  }
};

UT_DIR::UT_DIR(char const *path, unsigned char skipDotNames)
    : m_imp(new UT_DIRIMP(path, skipDotNames != 0)) {}

UT_DIR::UT_DIR(UT_DIR const &) : m_imp(nullptr) {
  Port_MsgManData::createObject("Portability", __FILE__, __LINE__, kRevision)
      ->issueFatal(19, "Copy constructor not allowed\n");
  m_imp = new UT_DIRIMP(nullptr, false); // only reached when an abort function returns
}

UT_DIR &UT_DIR::operator=(UT_DIR const &other) {
  *m_imp = *other.m_imp;
  return *this;
}

UT_DIR::~UT_DIR() { delete m_imp; }

bool UT_DIR::isvalid() const { return m_imp->valid; }
int UT_DIR::getnum() const { return m_imp->count(); }
char const *UT_DIR::getname(int index) const {
  return index >= 0 && index < m_imp->count() ? m_imp->at(index) : nullptr;
}

UT_DIR_ITERATOR UT_DIR::begin() const { return UT_DIR_ITERATOR(this, 0, nullptr); }
UT_DIR_ITERATOR UT_DIR::begin(char const *pattern) const {
  return UT_DIR_ITERATOR(this, 0, pattern);
}
UT_DIR_ITERATOR UT_DIR::end() const { return UT_DIR_ITERATOR(this, getnum(), nullptr); }

bool UT_DIR::match_names(char const *pattern, char const *name) {
  return pattern && name && UT_STR::IMatch(name, pattern);
}

UT_DIR_ITERATOR::UT_DIR_ITERATOR() : m_dir(nullptr), m_filtering(false), m_index(0) {}

UT_DIR_ITERATOR::UT_DIR_ITERATOR(UT_DIR const *dir, int index, char const *pattern)
    : m_dir(dir), m_filtering(pattern != nullptr), m_index(index) {
  if (pattern)
    m_pattern = pattern;
  skipNonMatching();
}

UT_DIR_ITERATOR::UT_DIR_ITERATOR(UT_DIR_ITERATOR const &other) = default;
UT_DIR_ITERATOR &UT_DIR_ITERATOR::operator=(UT_DIR_ITERATOR const &other) = default;
UT_DIR_ITERATOR::~UT_DIR_ITERATOR() = default;

void UT_DIR_ITERATOR::skipNonMatching() {
  if (!m_dir || !m_filtering)
    return;
  while (m_index < m_dir->getnum() &&
         !UT_DIR::match_names(m_pattern.GetBuffer(), m_dir->getname(m_index)))
    ++m_index;
}

UT_DIR_ITERATOR &UT_DIR_ITERATOR::operator++() {
  if (m_dir && m_index < m_dir->getnum()) {
    ++m_index;
    skipNonMatching();
  }
  return *this;
}

UT_DIR_ITERATOR UT_DIR_ITERATOR::operator++(int) {
  UT_DIR_ITERATOR old(*this);
  ++*this;
  return old;
}

char const *UT_DIR_ITERATOR::operator*() const {
  const char *name = m_dir ? m_dir->getname(m_index) : nullptr;
  if (!name)
    throw Port::NullPointerException("Portability", __FILE__, kRevision, __LINE__);
  return name;
}

bool UT_DIR_ITERATOR::operator==(UT_DIR_ITERATOR const &other) const {
  return m_dir == other.m_dir && m_index == other.m_index;
}

bool UT_DIR_ITERATOR::operator!=(UT_DIR_ITERATOR const &other) const { return !(*this == other); }
