// The scan benchmark's generated input: a corpus of files under <work>/device/Corpus, signature
// databases in the peer's text formats under <work>/device/Lib (with the engine image) and
// <work>/clamdb, the list of files that must be flagged, and a second library folder
// <work>/device/LibHashes whose hash signatures have the size of every corpus file, so that every
// file needs both digests.
#pragma once

#include <cstdint>
#include <string>

struct CorpusShape {
    uint32_t files = 20000;
    uint64_t totalBytes = 1ull << 30;
    uint32_t infected = 450;  // files under 64 bytes are left clean, so about 300 are planted
    uint32_t bodySignatures = 10000;
    uint32_t hashSignatures = 100000;
    uint32_t logicalSignatures = 1000;
    // Sizes of the hash signatures that match nothing: false spreads them as the sizes of malware
    // samples are spread; true takes half of them from the corpus's own file sizes (the first
    // version of the benchmark), so that nearly every byte of the corpus gets hashed.
    bool hashSizesFromCorpus = false;
};

// Writes everything unless <work>/corpus.done says the same shape was written before.
// engineImage is copied into the library folders. Returns false on a write failure.
bool GenerateCorpus(const std::string& work, const CorpusShape& shape, const std::string& engineImage);
