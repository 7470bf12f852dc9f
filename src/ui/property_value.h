// One value of a published property as a stored window description holds it: a number, a
// Boolean, a text, an identifier (an enumeration value, a colour name, a method or component
// name), a set of identifiers, a list of texts, or a block of bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

struct TIdent {
  std::string Name;
};

struct TIdentSet {
  std::vector<std::string> Names;
};

struct TStringList {
  std::vector<std::string> Lines;
};

struct TBinary {
  std::vector<std::uint8_t> Bytes;
};

using TPropertyValue =
    std::variant<std::int64_t, double, bool, std::string, TIdent, TIdentSet, TStringList, TBinary>;

// Typed reads of a value. A value of another kind fails with EReadError
// "プロパティ %s の値が不正です" naming `property`: the description and the class disagree.
std::int64_t PropertyInt(const TPropertyValue& value, std::string_view property);
// Accepts a number as well as a real.
double PropertyReal(const TPropertyValue& value, std::string_view property);
bool PropertyBool(const TPropertyValue& value, std::string_view property);
const std::string& PropertyText(const TPropertyValue& value, std::string_view property);
const std::string& PropertyIdent(const TPropertyValue& value, std::string_view property);
const std::vector<std::string>& PropertySet(const TPropertyValue& value, std::string_view property);
const std::vector<std::string>& PropertyLines(const TPropertyValue& value, std::string_view property);
const std::vector<std::uint8_t>& PropertyBytes(const TPropertyValue& value, std::string_view property);

// The value of `ident` in `table` (pairs of name and value); fails as above when it is not there.
template <class V, std::size_t N>
V PropertyEnum(const TPropertyValue& value, std::string_view property,
               const std::pair<std::string_view, V> (&table)[N]);

[[noreturn]] void RaiseInvalidPropertyValue(std::string_view property);

template <class V, std::size_t N>
V PropertyEnum(const TPropertyValue& value, std::string_view property,
               const std::pair<std::string_view, V> (&table)[N]) {
  const std::string& name = PropertyIdent(value, property);
  for (const auto& [ident, result] : table) {
    if (ident == name) return result;
  }
  RaiseInvalidPropertyValue(property);
}
