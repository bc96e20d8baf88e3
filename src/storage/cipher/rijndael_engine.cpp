// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/cipher/rijndael_engine.h"

#include <atomic>
#include <cstring>

#include "storage/cipher/rijndael_aesni.h"
#include "storage/cipher/rijndael_portable.h"

namespace kestramo {
namespace {

std::atomic<bool> g_force_portable{false};

}  // namespace

void RijndaelEngine::DecryptBlock(const RijndaelRoundKeys& keys, const uint8_t in[16], uint8_t out[16]) const {
  uint8_t chain[kBlock] = {};
  std::memcpy(out, in, kBlock);
  DecryptCbc(keys, out, 1, chain);
}

const RijndaelEngine& RijndaelEngine::Portable() {
  static const RijndaelPortableEngine engine;
  return engine;
}

const RijndaelEngine* RijndaelEngine::Hardware() {
  static const RijndaelAesNiEngine engine;
  static const bool supported = RijndaelAesNiEngine::Supported();
  return supported ? &engine : nullptr;
}

const RijndaelEngine& RijndaelEngine::Select() {
  const RijndaelEngine* hw = Hardware();
  if (hw != nullptr && !g_force_portable.load(std::memory_order_relaxed)) return *hw;
  return Portable();
}

void RijndaelEngine::ForcePortable(bool force) { g_force_portable.store(force); }

}  // namespace kestramo
