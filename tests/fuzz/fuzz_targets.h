#pragma once
// The fuzz targets. Each takes any bytes, runs what they describe from a fresh
// start of the services it needs, and checks its invariants as it goes. The
// libFuzzer entry points and the corpus replay under GoogleTest both call
// these.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The request sequences and the dump over a line whose every behaviour (what
// arrives, the waiting counts, the reads) comes from the bytes.
void FuzzProtocol(const std::uint8_t* data, std::size_t size);
// FuzzProtocol, naming the sequences the bytes picked in turn ("Read", "dump",
// "start-up without a port"), for the check that kept inputs keep their meaning.
std::vector<std::string> FuzzProtocolPicks(const std::uint8_t* data, std::size_t size);
// Statements over the temporary buffer and string variables, against a model.
void FuzzStrings(const std::uint8_t* data, std::size_t size);
// A numbered-object registry against a model.
void FuzzRegistry(const std::uint8_t* data, std::size_t size);
// A node pool against a model of its chunks.
void FuzzNodePool(const std::uint8_t* data, std::size_t size);
