#pragma once
// The hidden stream in its two layers, and the writer and reader that the hiding and unhiding
// jobs call.
//
// HiddenStream (little-endian): u16 file count, then per file u16 path length P, P path bytes
// (components separated by "\"), u32 size, u32 attributes, the content.
// Enciphered HiddenStream: u32 L, L bytes of cipher blocks (the one zlib stream of the
// HiddenStream cut into 0x3FFFF0-byte pieces, each enciphered 16 bytes longer), u32 Adler-32 of
// the L bytes.
//
// Both functions run on the job's thread, poll the Workspace's flags once per piece and return
// false when stopped (no message) or failed (the one message already shown). Memory stays
// bounded: they work in the Workspace's 4 MiB buffers (work, codec, sample).
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/job_listener.h"
#include "core/workspace.h"
#include "stream/cipher_pipeline.h"
#include "stream/extraction_tree.h"
#include "stream/source_tree.h"
#include "stream/temp_file.h"

namespace murl {

constexpr uint32_t kMaxHiddenStreamSize = 0x10000000;  // the HiddenStream, headers included
constexpr uint32_t kMaxStreamPath = 65534;
constexpr size_t kMaxPathComponent = 256;
constexpr uint32_t kMaxEncipheredSize = 0x1FFFFFFF;  // 8 + L, so the bit count fits in 32 bits
constexpr size_t kCipherBlockSize = 0x400000;        // a full piece once enciphered

// Writes the enciphered HiddenStream of `tree` (sorted by the caller) into `stream`, which it
// creates as a new temporary file. Progress is content read * 100 / total content; value 1 of
// the status labels shows the path of the file being read. On success `stream` holds exactly
// 8 + L bytes and `streamBits` is (8 + L) * 8. On failure or stop the file is wiped and deleted.
// The pieces are enciphered by `cipherWorkers` threads beside the compression (the job's thread
// takes a piece too when they are all busy), and every other part of the compression is made by
// a worker of its own; or all of it runs on the job's thread when it is 0. The bytes are the
// same either way.
bool writeHiddenStream(Workspace& workspace, const SourceTree& tree, JobListener& listener,
                       TempFile& stream, uint32_t& streamBits,
                       unsigned cipherWorkers = cipherWorkersPerCore());

// Checks and decodes a gathered stream whose first `gatheredBytes` bytes count (G: the carriers'
// total bits / 8), inflating it into `decoded` (created here as a new temporary file), and
// rebuilds `tree` from it. Progress follows the cipher blocks. On failure or stop `decoded` is
// wiped and deleted; the gathered file stays the caller's to wipe.
// The blocks are deciphered by `cipherWorkers` threads while the job's thread inflates in order,
// or all on the job's thread when it is 0.
bool readHiddenStream(Workspace& workspace, platform::File& gathered, uint64_t gatheredBytes,
                      JobListener& listener, TempFile& decoded, ExtractionTree& tree,
                      unsigned cipherWorkers = cipherWorkersPerCore());

// The reader's two halves. decode: the length, block and check tests, decipher and inflate into
// `decoded` (written from its current position), giving the HiddenStream's length.
bool decodeHiddenStream(Workspace& workspace, platform::File& gathered, uint64_t gatheredBytes,
                        JobListener& listener, platform::File& decoded, uint64_t& decodedLength,
                        unsigned cipherWorkers = cipherWorkersPerCore());
// parse: the records of a HiddenStream of `length` bytes at the start of `decoded`, into `tree`.
bool parseHiddenStream(Workspace& workspace, platform::File& decoded, uint64_t length,
                       ExtractionTree& tree);

// Splits a stream path at "\" into its components; false for a path that would leave the output
// folder or that a file system cannot hold: empty, an empty component, "." or "..", a component
// over 256 bytes, or a "/" or control byte anywhere.
bool splitStreamPath(std::string_view path, std::vector<std::string_view>& components);

}  // namespace murl
