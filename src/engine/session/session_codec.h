#pragma once
#include "engine/balance/balance_types.h"
#include "engine/session/simulation_session.h"

#include <cstddef>
#include <cstring>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

// The prepared input of a simulation and its output as bytes, for handing plots to other
// processes: every number is copied bit for bit, so that a plot simulated from decoded
// input gives exactly the output of the original. Both ends must be the same build on the
// same kind of machine (byte order, long double).

namespace vt::engine {

// Input that does not decode: truncated or not written by ByteWriter.
class CodecError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ByteWriter {
public:
    template <class T>
    void raw(const T& v)
    {
        static_assert(std::is_trivially_copyable_v<T>);
        const auto* p = reinterpret_cast<const char*>(&v);
        bytes_.insert(bytes_.end(), p, p + sizeof(T));
    }
    void size(std::size_t n) { raw(static_cast<std::uint64_t>(n)); }
    void text(const std::string& s)
    {
        size(s.size());
        bytes_.insert(bytes_.end(), s.begin(), s.end());
    }
    template <class T>
    void rawVector(const std::vector<T>& v)
    {
        static_assert(std::is_trivially_copyable_v<T>);
        size(v.size());
        const auto* p = reinterpret_cast<const char*>(v.data());
        bytes_.insert(bytes_.end(), p, p + v.size() * sizeof(T));
    }
    std::vector<char>& bytes() { return bytes_; }

private:
    std::vector<char> bytes_;
};

class ByteReader {
public:
    ByteReader(const char* data, std::size_t n) : p_(data), end_(data + n) {}
    template <class T>
    T raw()
    {
        static_assert(std::is_trivially_copyable_v<T>);
        need(sizeof(T));
        T v;
        std::memcpy(&v, p_, sizeof(T));
        p_ += sizeof(T);
        return v;
    }
    std::size_t size()
    {
        const auto n = raw<std::uint64_t>();
        if (n > static_cast<std::uint64_t>(end_ - p_) * 8 + 1024) throw CodecError("a length beyond the message");
        return static_cast<std::size_t>(n);
    }
    std::string text()
    {
        const std::size_t n = size();
        need(n);
        std::string s(p_, n);
        p_ += n;
        return s;
    }
    template <class T>
    std::vector<T> rawVector()
    {
        const std::size_t n = size();
        need(n * sizeof(T));
        std::vector<T> v(n);
        if (n) std::memcpy(v.data(), p_, n * sizeof(T));
        p_ += n * sizeof(T);
        return v;
    }
    bool atEnd() const { return p_ == end_; }

private:
    void need(std::size_t n)
    {
        if (static_cast<std::size_t>(end_ - p_) < n) throw CodecError("the message ends early");
    }
    const char* p_;
    const char* end_;
};

void encode(ByteWriter& w, const PlotInput& in);
void decode(ByteReader& r, PlotInput& in);
void encode(ByteWriter& w, const BalanceOptions& o);
void decode(ByteReader& r, BalanceOptions& o);
void encode(ByteWriter& w, const PlotOutput& out);
void decode(ByteReader& r, PlotOutput& out);
void encode(ByteWriter& w, const SessionParameters& p);
void decode(ByteReader& r, SessionParameters& p);

// A list of plots (inputs or outputs) as one message.
template <class T>
void encode_list(ByteWriter& w, const std::vector<T>& list, std::size_t from = 0, std::size_t to = std::size_t(-1))
{
    if (to > list.size()) to = list.size();
    w.size(to > from ? to - from : 0);
    for (std::size_t i = from; i < to; ++i) encode(w, list[i]);
}
template <class T>
std::vector<T> decode_list(ByteReader& r)
{
    std::vector<T> out(r.size());
    for (auto& v : out) decode(r, v);
    return out;
}

} // namespace vt::engine
