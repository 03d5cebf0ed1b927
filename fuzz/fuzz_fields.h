// fuzz_fields.h - cuts a fuzz input into text fields at zero bytes, so that seeds stay readable
// (printf 'pattern\0text').
#ifndef PORT_FUZZ_FIELDS_H
#define PORT_FUZZ_FIELDS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Exactly count fields: the last takes the rest of the input (zeros included); missing fields
// are empty.
inline std::vector<std::string> fuzzFields(const uint8_t *data, size_t size, size_t count) {
  std::vector<std::string> fields(count);
  size_t field = 0;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0 && field + 1 < count) {
      ++field;
      continue;
    }
    fields[field] += static_cast<char>(data[i]);
  }
  return fields;
}

// Every field cut at zero bytes: one more than there are zeros.
inline std::vector<std::string> fuzzSplit(const uint8_t *data, size_t size) {
  std::vector<std::string> fields(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0)
      fields.emplace_back();
    else
      fields.back() += static_cast<char>(data[i]);
  }
  return fields;
}

// Bytes as the code points of the same values.
inline std::wstring fuzzWiden(const std::string &s) {
  std::wstring w;
  for (unsigned char c : s)
    w += static_cast<wchar_t>(c);
  return w;
}

#endif
