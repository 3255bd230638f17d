// hox::util::String: the library's own small string.
//
// Up to 31 characters live in a buffer inside the object; longer text moves
// to an owned heap block that grows in 32-byte steps and never shrinks.
// `capacity` tells the two apart: negative means the inline buffer (not
// owned), positive means an owned heap block of that many bytes.
#pragma once

#include "hox/config.h"

namespace hox {
namespace util {

class HOX_API String {
public:
    String();
    String(const char* text);
    // Characters [first, last) of text; both bounds are clamped to the text.
    String(const char* text, int first, int last);
    String(const String& other);
    String(const String& other, int first, int last);
    explicit String(char c);
    explicit String(bool value);          // "1" or "0"
    explicit String(int value);           // "%d"
    explicit String(unsigned int value);  // "%u"
    explicit String(float value);         // "%g"
    ~String();

    String& operator=(const char* text);
    String& operator=(const String& other);

    String& operator+=(char c);
    String& operator+=(const char* text);
    String& operator+=(const String& other);
    String& operator+=(int value);
    String& operator+=(unsigned int value);
    String& operator+=(float value);
    String& operator+=(bool value);  // "true" or "false"

    int length() const { return m_length; }
    bool empty() const { return m_length == 0; }
    void clear();
    // Sets the length to n; new positions take `fill`. Never shrinks the
    // buffer. A negative n is treated as 0.
    void resize(int n, char fill);

    char operator[](int i) const { return m_data[i]; }
    char& operator[](int i) { return m_data[i]; }

    const char* c_str() const { return m_data; }
    operator const char*() const { return m_data; }

    // Size in bytes of the buffer in use (inline or heap), for inspection.
    int bufferSize() const { return m_capacity < 0 ? -m_capacity : m_capacity; }
    bool isInline() const { return m_capacity < 0; }

private:
    enum { kInlineSize = 32, kGrowStep = 32 };

    void init();
    void reserveBuffer(int size);
    void append(const char* text, int count);
    void assign(const char* text, int count);
    bool pointsIntoBuffer(const char* text) const;
    void initSubstring(const char* text, int textLength, int first, int last);

    int m_length;
    int m_capacity;
    char* m_data;
    char m_inline[kInlineSize];
};

}  // namespace util
}  // namespace hox
