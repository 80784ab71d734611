#pragma once
#include <cstdint>
#include <string>
#include <variant>

namespace vt::db {

// One field value as the engine returns it: NULL, integer, real or text.
class Value {
public:
    Value() = default;
    Value(std::nullptr_t) {}
    Value(int v) : v_(static_cast<std::int64_t>(v)) {}
    Value(long v) : v_(static_cast<std::int64_t>(v)) {}
    Value(long long v) : v_(static_cast<std::int64_t>(v)) {}
    Value(bool v) : v_(static_cast<std::int64_t>(v ? -1 : 0)) {}  // YESNO: -1 true, 0 false
    Value(double v) : v_(v) {}
    Value(std::string v) : v_(std::move(v)) {}
    Value(const char* v) : v_(std::string(v)) {}

    bool isNull() const { return std::holds_alternative<std::monostate>(v_); }
    bool isInteger() const { return std::holds_alternative<std::int64_t>(v_); }
    bool isReal() const { return std::holds_alternative<double>(v_); }
    bool isText() const { return std::holds_alternative<std::string>(v_); }
    bool isNumber() const { return isInteger() || isReal(); }

    // Conversions follow the engine's rules: NULL gives 0 / "", text is read as a number
    // the way Val reads it.
    double toDouble() const;
    std::int64_t toInt() const;
    std::string toString() const;
    // YESNO: any value other than 0 is true.
    bool toBool() const { return toDouble() != 0.0; }

    const auto& raw() const { return v_; }
    bool operator==(const Value& o) const { return v_ == o.v_; }

private:
    std::variant<std::monostate, std::int64_t, double, std::string> v_;
};

} // namespace vt::db
