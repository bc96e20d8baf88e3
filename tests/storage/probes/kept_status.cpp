// Must compile: the same call with its Status looked at.
#include "storage/api/vault.h"

bool Probe(kestramo::api::Vault& vault) { return vault.NewBox({"Papers"}).ok(); }
