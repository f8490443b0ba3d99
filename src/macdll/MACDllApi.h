#pragma once

// The C interface of libMACDll.so: the Monkey's Audio decoder entry points the program
// calls. Shared by the library, which defines them, and the binding, which loads them by
// name. Frame counts, frame indices and byte counts are 64-bit: a CD image's PCM passes 2 GiB.

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef void* APE_DECOMPRESS_HANDLE;

// Error codes (0 is success).
enum {
  MAC_ERROR_SUCCESS = 0,
  MAC_ERROR_IO_READ = 1000,              // cannot open or read the file; data ends early
  MAC_ERROR_INVALID_INPUT_FILE = 1002,   // not Monkey's Audio, or a format we do not decode
  MAC_ERROR_DECOMPRESSING_FRAME = 1010,  // the decoder refused the data or its checksum
  MAC_ERROR_INVALID_PARAMETER = 1012,    // null pointers, seek targets outside the file
  // The seek table does not fit the frames: an entry out of order or past the audio's end.
  MAC_ERROR_DAMAGED_SEEK_TABLE = 1100,
  // The header and the WAV header the file keeps disagree on the rate, depth or channels.
  MAC_ERROR_HEADER_MISMATCH = 1101,
  MAC_ERROR_INSUFFICIENT_MEMORY = 2000,
};

// Fields of c_APEDecompress_GetInfo.
enum {
  APE_INFO_FILE_VERSION = 1000,      // encoder version, 3990 for 3.99; also for a refused file
  APE_INFO_SAMPLE_RATE = 1003,       // Hz, as the header stores it (0 to 4294967295)
  APE_INFO_BITS_PER_SAMPLE = 1004,   // 8, 16 or 24
  APE_INFO_CHANNELS = 1006,          // 1 or 2
  APE_INFO_BLOCKS_PER_FRAME = 1008,  // sample frames per APE frame (the last one may hold fewer)
  APE_INFO_WAV_DATA_BYTES = 1014,    // bytes of the whole file's decoded PCM
  APE_DECOMPRESS_LENGTH_MS = 2003,   // whole file, milliseconds
  // What the WAV header the file keeps says; 0 when it keeps none, or none we can read.
  APE_INFO_WAV_SAMPLE_RATE = 2100,
  APE_INFO_WAV_BITS_PER_SAMPLE = 2101,
  APE_INFO_WAV_CHANNELS = 2102,
};

// Opens FileName (UTF-8 path) for decoding. On failure stores the error code in *ErrorCode
// and returns null, except for a Monkey's Audio file of a version or format we do not decode
// (MAC_ERROR_INVALID_INPUT_FILE) or whose header disagrees with its WAV header
// (MAC_ERROR_HEADER_MISMATCH): its handle answers c_APEDecompress_GetInfo (version, depth,
// channels, rate, and the WAV header's) so the caller can say what the file is, and must be
// destroyed. On success stores 0.
typedef APE_DECOMPRESS_HANDLE (*proc_APEDecompress_Create)(const char* FileName,
                                                           int32_t* ErrorCode);
// Releases a handle from c_APEDecompress_Create; null is ignored. Returns 0.
typedef int32_t (*proc_APEDecompress_Destroy)(APE_DECOMPRESS_HANDLE Handle);
// Writes up to Frames whole frames of interleaved little-endian PCM (8-bit unsigned, wider
// signed) to Buffer and stores the count in *Delivered. Returns 0 with *Delivered 0 at the
// declared end of the file, and an error code when the data is damaged or ends early (frames
// delivered before the failure are still counted in *Delivered).
typedef int32_t (*proc_APEDecompress_GetData)(APE_DECOMPRESS_HANDLE Handle, uint8_t* Buffer,
                                              int64_t Frames, int64_t* Delivered);
// The value of Field (APE_INFO_*); 0 for an unknown field or a null handle.
typedef int64_t (*proc_APEDecompress_GetInfo)(APE_DECOMPRESS_HANDLE Handle, int32_t Field,
                                              int64_t Param1, int64_t Param2);
// Makes the next c_APEDecompress_GetData start at frame Frame (0 to the total frame count),
// and clears an earlier failure. Returns 0; MAC_ERROR_INVALID_PARAMETER, changing nothing, for
// a frame outside the file; another error code when the file cannot be repositioned (reads
// then fail with it until a seek succeeds).
typedef int32_t (*proc_APEDecompress_Seek)(APE_DECOMPRESS_HANDLE Handle, int64_t Frame);

#ifdef __cplusplus
}
#endif
