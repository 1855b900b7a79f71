#include "floor.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

Floor::Floor(const std::string& database) {
    std::string dpb(1, static_cast<char>(isc_dpb_version1));
    auto add = [&dpb](char item, const std::string& value) {
        dpb += item;
        dpb += static_cast<char>(value.size());
        dpb += value;
    };
    add(isc_dpb_user_name, "SYSDBA");
    add(isc_dpb_password, "velvetoak");
    add(isc_dpb_lc_ctype, "WIN1250");
    ISC_STATUS_ARRAY status;
    if (isc_attach_database(status, static_cast<short>(database.size()), database.c_str(), &db_,
                            static_cast<short>(dpb.size()), dpb.data()))
        check(status, "attach");
}

Floor::~Floor() {
    ISC_STATUS_ARRAY status;
    if (stmt_) isc_dsql_free_statement(status, &stmt_, DSQL_drop);
    if (tr_) isc_commit_transaction(status, &tr_);
    std::free(out_);
    if (db_) isc_detach_database(status, &db_);
}

void Floor::check(const ISC_STATUS* status, const char* what) {
    char message[512];
    const ISC_STATUS* p = status;
    fb_interpret(message, sizeof message, &p);
    std::fprintf(stderr, "floor: %s: %s\n", what, message);
    std::exit(1);
}

void Floor::prepare(const std::string& sql) {
    ISC_STATUS_ARRAY status;
    isc_tr_handle tr = 0;
    if (isc_start_transaction(status, &tr, 1, &db_, 0, nullptr)) check(status, "start");
    if (isc_dsql_allocate_statement(status, &db_, &stmt_)) check(status, "allocate");
    out_ = static_cast<XSQLDA*>(std::calloc(1, XSQLDA_LENGTH(1)));
    out_->version = SQLDA_VERSION1;
    out_->sqln = 1;
    if (isc_dsql_prepare(status, &tr, &stmt_, 0, sql.c_str(), 3, out_)) check(status, "prepare");
    if (out_->sqld > out_->sqln) {
        const short n = out_->sqld;
        std::free(out_);
        out_ = static_cast<XSQLDA*>(std::calloc(1, XSQLDA_LENGTH(n)));
        out_->version = SQLDA_VERSION1;
        out_->sqln = n;
        if (isc_dsql_describe(status, &stmt_, 1, out_)) check(status, "describe");
    }
    buffers_.resize(static_cast<size_t>(out_->sqld));
    nulls_.resize(static_cast<size_t>(out_->sqld));
    for (int i = 0; i < out_->sqld; ++i) {
        XSQLVAR& v = out_->sqlvar[i];
        buffers_[static_cast<size_t>(i)].resize(static_cast<size_t>(v.sqllen) + 2);
        v.sqldata = buffers_[static_cast<size_t>(i)].data();
        v.sqlind = &nulls_[static_cast<size_t>(i)];
    }
    isc_commit_transaction(status, &tr);
    // One transaction for every run, as the program keeps one open while it lists.
    static const char tpb[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_read_committed, isc_tpb_rec_version,
                               isc_tpb_nowait};
    if (isc_start_transaction(status, &tr_, 1, &db_, sizeof tpb, tpb)) check(status, "start");
}

long Floor::run(long rows) {
    ISC_STATUS_ARRAY status;
    if (isc_dsql_execute(status, &tr_, &stmt_, 3, nullptr)) check(status, "execute");
    long n = 0;
    while (rows < 0 || n < rows) {
        const ISC_STATUS rc = isc_dsql_fetch(status, &stmt_, 3, out_);
        if (rc == 100) break;
        if (rc) check(status, "fetch");
        ++n;
    }
    isc_dsql_free_statement(status, &stmt_, DSQL_close);
    return n;
}
