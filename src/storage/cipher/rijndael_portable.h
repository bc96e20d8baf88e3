// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "storage/cipher/rijndael_engine.h"

namespace kestramo {

// Table-driven form: four 256-entry word tables per direction plus the S-boxes.
class RijndaelPortableEngine : public RijndaelEngine {
 public:
  const char* Name() const override { return "portable"; }
  void EncryptBlock(const RijndaelRoundKeys& keys, const uint8_t in[16], uint8_t out[16]) const override;
  void EncryptCbc(const RijndaelRoundKeys& keys, uint8_t* data, size_t blocks, uint8_t chain[16]) const override;
  void DecryptCbc(const RijndaelRoundKeys& keys, uint8_t* data, size_t blocks, uint8_t chain[16]) const override;

 private:
  static void DecryptBlockTables(const RijndaelRoundKeys& keys, const uint8_t in[16], uint8_t out[16]);
};

}  // namespace kestramo
