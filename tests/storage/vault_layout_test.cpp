#include "storage/vault/vault_layout.h"

#include <gtest/gtest.h>

namespace kestramo {

TEST(VaultLayoutTest, ItemNamesAreTenDigitsUnderTheirDirectories) {
  VaultLayout layout("/v");
  EXPECT_EQ(VaultLayout::ItemBaseName(7), "item0000000007");
  EXPECT_EQ(layout.ItemFile(7), std::filesystem::path("/v/coffrel/item0000000007.dat"));
  EXPECT_EQ(layout.TempArchive(2147483647), std::filesystem::path("/v/temp/item2147483647.zip"));
  EXPECT_EQ(layout.TempEncrypted(12), std::filesystem::path("/v/temp/item0000000012.dat"));
  EXPECT_EQ(layout.BackupIndexFile(), std::filesystem::path("/v/backup/index.dat"));
}

}  // namespace kestramo
