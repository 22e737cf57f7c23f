// The store's edit scope, shared by the files that make up the store.
#pragma once

#include "model/store.h"

namespace host {

// Runs one public edit inside the open transaction, or inside an implicit one of its own.
class Store::Scope {
public:
    Scope(Store& s, const char16_t* name = u"") : s_(s) {
        if (s_.depth_ == 0) {
            s_.BeginTransaction(mp::TRANSACTION_EDIT, name);
            s_.implicit_ = true;
        }
    }
    ~Scope() { s_.Finish(); }

private:
    Store& s_;
};

} // namespace host
