// vuConnection: typed reads and writes over two byte operations.
//
// The root of the connection line (vuConnection → vuBufferedConnection →
// vuEndianConnection → vuSocketConnection). Everything here is expressed in
// terms of the virtual operations below, in this order:
//
//   0  destructor
//   1  writeByte        2  readByte          (pure)
//   3  write            4  read              (default: byte by byte)
//   5  writeUInt16      6  readUInt16        (2 bytes through write / read)
//   7  writeUInt32      8  readUInt32
//   9  writeUInt64     10  readUInt64
//  11  writeFloat      12  readFloat
//  13  writeDouble     14  readDouble
//  15..24  the array forms of 5..14 in the same order (a loop over the
//          single-value operation, so a derived byte order applies to them)
//  25  writeCString    26  writeString       (uint32 length, then the bytes)
//  27  readString(std::string&)  28  readCString  29  readCStringAlloc
//  30  readString()
//  31  isConnected     32  sendRaw   33  receiveRaw   34  receiveRaw (timed)
//
// The multi-byte defaults use the processor's byte order; the endian layer
// swaps them when the peer's order differs.
//
// Strings: a length read from the peer is trusted only up to
// kMaxConnectionStringLength. A larger one cannot be honoured without either
// allocating what a corrupt or hostile peer asks for or reading for minutes
// to skip it, so it is taken as a broken stream: the string reads as empty
// and abandonReads() makes every later read deliver zeros, as at the end of
// data. None of the string reads throws or reads past what it was given.
#pragma once

#include <cstdint>
#include <string>

namespace vu_connection {

// Longest string a reader accepts (16 MiB). No text this system exchanges
// comes near it.
constexpr uint32_t kMaxConnectionStringLength = 16u * 1024u * 1024u;

// Strings are read and discarded in pieces of this size.
constexpr int kStringPieceSize = 1024;

class vuConnection {
public:
    vuConnection() = default;
    virtual ~vuConnection();

    vuConnection(const vuConnection&) = delete;
    vuConnection& operator=(const vuConnection&) = delete;

    virtual void writeByte(uint8_t value) = 0;
    virtual uint8_t readByte() = 0;
    // Both do nothing for a null pointer or a count <= 0.
    virtual void write(const void* data, int count);
    virtual void read(void* data, int count);

    virtual void writeUInt16(uint16_t value);
    virtual uint16_t readUInt16();
    virtual void writeUInt32(uint32_t value);
    virtual uint32_t readUInt32();
    virtual void writeUInt64(uint64_t value);
    virtual uint64_t readUInt64();
    virtual void writeFloat(float value);
    virtual float readFloat();
    virtual void writeDouble(double value);
    virtual double readDouble();

    virtual void writeUInt16Array(const uint16_t* values, int count);
    virtual void readUInt16Array(uint16_t* values, int count);
    virtual void writeUInt32Array(const uint32_t* values, int count);
    virtual void readUInt32Array(uint32_t* values, int count);
    virtual void writeUInt64Array(const uint64_t* values, int count);
    virtual void readUInt64Array(uint64_t* values, int count);
    virtual void writeFloatArray(const float* values, int count);
    virtual void readFloatArray(float* values, int count);
    virtual void writeDoubleArray(const double* values, int count);
    virtual void readDoubleArray(double* values, int count);

    // A null text is written as the empty string.
    virtual void writeCString(const char* text);
    virtual void writeString(const std::string& text);
    // Replaces text by the string read.
    virtual void readString(std::string& text);
    // Reads a string into buffer (size bytes, always terminated when size >=
    // 1). A string that does not fit is cut to size - 1 characters and the
    // rest is read and discarded, so the next read starts after the string.
    virtual void readCString(char* buffer, int size);
    // Returns a malloc'ed, terminated copy of the string read (the caller
    // frees it with free()). Null when the length is over the limit (reads
    // are then abandoned) or memory is short (the string's bytes are then
    // read and dropped, so the stream stays in step).
    virtual char* readCStringAlloc();
    virtual std::string readString();

    virtual bool isConnected();
    virtual void sendRaw(const void* data, int count) = 0;
    // count: in, the most bytes wanted; out, the bytes delivered (0 at the
    // end of data, negative after an error). Waits without limit.
    virtual void receiveRaw(void* data, int& count) = 0;
    // As above, but waits at most `seconds` (a negative limit waits without
    // limit); count 0 also when nothing came in time.
    virtual void receiveRaw(void* data, int& count, double seconds) = 0;

protected:
    // The incoming data cannot be trusted any further: from now on reads
    // deliver zeros. The base has no read state and does nothing.
    virtual void abandonReads();

private:
    // Reads and drops count bytes in pieces.
    void discard(uint32_t count);
    // Reads a string length, or abandons the reads and returns false when it
    // is over the limit.
    bool readStringLength(uint32_t& length);
};

}  // namespace vu_connection
