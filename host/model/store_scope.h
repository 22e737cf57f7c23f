// The store's edit scope, shared by the files that make up the store.
#pragma once

#include "model/store.h"

namespace host {

// Runs one public edit inside the open transaction, or inside an implicit one of its own.
class Store::Scope {
public:
    Scope(Store& s, const char16_t* name = u"") : s_(s), opened_(s.depth_ == 0) {
        if (opened_) {
            s_.BeginTransaction(mp::TRANSACTION_EDIT, name);
            s_.implicit_ = true;
        }
    }
    // Only the scope that opened the implicit transaction ends it: an edit made of edits (a block
    // deleted with its events) stays one undo step.
    ~Scope() {
        if (opened_) s_.Finish();
    }

private:
    Store& s_;
    bool opened_;
};

} // namespace host
