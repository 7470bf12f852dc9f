#include "ui/property_value.h"

#include "rtl/exception.h"
#include "ui/ui_messages.h"

namespace {

template <class T>
const T& Get(const TPropertyValue& value, std::string_view property) {
  if (const T* held = std::get_if<T>(&value)) return *held;
  RaiseInvalidPropertyValue(property);
}

}  // namespace

void RaiseInvalidPropertyValue(std::string_view property) {
  throw EReadError(ui_messages::SInvalidPropertyValue, {property});
}

std::int64_t PropertyInt(const TPropertyValue& value, std::string_view property) {
  return Get<std::int64_t>(value, property);
}

double PropertyReal(const TPropertyValue& value, std::string_view property) {
  if (const auto* number = std::get_if<std::int64_t>(&value)) return static_cast<double>(*number);
  return Get<double>(value, property);
}

bool PropertyBool(const TPropertyValue& value, std::string_view property) {
  return Get<bool>(value, property);
}

const std::string& PropertyText(const TPropertyValue& value, std::string_view property) {
  return Get<std::string>(value, property);
}

const std::string& PropertyIdent(const TPropertyValue& value, std::string_view property) {
  return Get<TIdent>(value, property).Name;
}

const std::vector<std::string>& PropertySet(const TPropertyValue& value,
                                            std::string_view property) {
  return Get<TIdentSet>(value, property).Names;
}

const std::vector<std::string>& PropertyLines(const TPropertyValue& value,
                                              std::string_view property) {
  return Get<TStringList>(value, property).Lines;
}

const std::vector<std::uint8_t>& PropertyBytes(const TPropertyValue& value,
                                               std::string_view property) {
  return Get<TBinary>(value, property).Bytes;
}
