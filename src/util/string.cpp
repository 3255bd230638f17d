#include "hox/string.h"

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "platform/aligned_memory.h"

namespace hox {
namespace util {
namespace {

// Number formatting writes into a local buffer first; the longest "%g" of a
// float or "%d" of an int is far below this.
constexpr int kNumberBufferSize = 128;

int textLength(const char* text) {
    return text ? static_cast<int>(std::strlen(text)) : 0;
}

}  // namespace

String::String() { init(); }

String::String(const char* text) {
    init();
    append(text, textLength(text));
}

String::String(const char* text, int first, int last) {
    init();
    initSubstring(text, textLength(text), first, last);
}

String::String(const String& other) {
    init();
    append(other.m_data, other.m_length);
}

String::String(const String& other, int first, int last) {
    init();
    initSubstring(other.m_data, other.m_length, first, last);
}

String::String(char c) {
    init();
    *this += c;
}

String::String(bool value) {
    init();
    *this += value ? '1' : '0';
}

String::String(int value) {
    init();
    *this += value;
}

String::String(unsigned int value) {
    init();
    *this += value;
}

String::String(float value) {
    init();
    *this += value;
}

String::~String() {
    if (m_capacity > 0) platform::alignedFree(m_data);
}

String& String::operator=(const char* text) {
    assign(text, textLength(text));
    return *this;
}

String& String::operator=(const String& other) {
    if (this != &other) assign(other.m_data, other.m_length);
    return *this;
}

String& String::operator+=(char c) {
    reserveBuffer(m_length + 2);
    if (bufferSize() < m_length + 2) return *this;  // out of memory
    m_data[m_length++] = c;
    m_data[m_length] = '\0';
    return *this;
}

String& String::operator+=(const char* text) {
    append(text, textLength(text));
    return *this;
}

String& String::operator+=(const String& other) {
    // Appending a string to itself reads the old length only.
    append(other.m_data, other.m_length);
    return *this;
}

String& String::operator+=(int value) {
    char buffer[kNumberBufferSize];
    int n = std::snprintf(buffer, sizeof buffer, "%d", value);
    append(buffer, n);
    return *this;
}

String& String::operator+=(unsigned int value) {
    char buffer[kNumberBufferSize];
    int n = std::snprintf(buffer, sizeof buffer, "%u", value);
    append(buffer, n);
    return *this;
}

String& String::operator+=(float value) {
    char buffer[kNumberBufferSize];
    int n = std::snprintf(buffer, sizeof buffer, "%g", static_cast<double>(value));
    append(buffer, n);
    return *this;
}

String& String::operator+=(bool value) {
    return *this += value ? "true" : "false";
}

void String::clear() {
    m_length = 0;
    m_data[0] = '\0';
}

void String::resize(int n, char fill) {
    if (n < 0) n = 0;
    reserveBuffer(n + 1);
    if (bufferSize() < n + 1) return;  // out of memory: keep the old text
    for (int i = m_length; i < n; ++i) m_data[i] = fill;
    m_length = n;
    m_data[n] = '\0';
}

void String::init() {
    m_length = 0;
    m_capacity = -kInlineSize;
    m_data = m_inline;
    m_inline[0] = '\0';
}

void String::reserveBuffer(int size) {
    int current = bufferSize();
    if (size <= current) return;
    int rounded = (size + kGrowStep - 1) / kGrowStep * kGrowStep;
    char* block = static_cast<char*>(platform::alignedAlloc(static_cast<std::size_t>(rounded)));
    if (!block) return;  // callers check the size they got before writing
    std::memcpy(block, m_data, static_cast<std::size_t>(m_length) + 1);
    if (m_capacity > 0) platform::alignedFree(m_data);
    m_data = block;
    m_capacity = rounded;
}

bool String::pointsIntoBuffer(const char* text) const {
    return text >= m_data && text < m_data + bufferSize();
}

void String::append(const char* text, int count) {
    if (count <= 0) return;
    int required = m_length + count + 1;
    // The text may lie in this string's own buffer, which growth replaces.
    std::ptrdiff_t selfOffset = pointsIntoBuffer(text) ? text - m_data : -1;
    reserveBuffer(required);
    if (bufferSize() < required) return;  // out of memory: keep the old text
    if (selfOffset >= 0) text = m_data + selfOffset;
    std::memmove(m_data + m_length, text, static_cast<std::size_t>(count));
    m_length += count;
    m_data[m_length] = '\0';
}

void String::assign(const char* text, int count) {
    if (pointsIntoBuffer(text)) {
        String copy(text, 0, count);  // the source dies with our buffer
        assign(copy.m_data, copy.m_length);
        return;
    }
    if (m_capacity > 0) platform::alignedFree(m_data);
    init();
    append(text, count);
}

void String::initSubstring(const char* text, int textLength, int first, int last) {
    int end = last < textLength ? last : textLength;
    int begin = first > textLength ? textLength : (first > 0 ? first : 0);
    if (end > begin) append(text + begin, end - begin);
}

}  // namespace util
}  // namespace hox
