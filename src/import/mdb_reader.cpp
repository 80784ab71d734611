#include "import/mdb_reader.h"

#include "import/mdb_values.h"

#include <mdbtools.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iconv.h>
#include <set>

namespace vt::access::mdb {

namespace {

namespace fs = std::filesystem;

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

std::uint32_t u32(const unsigned char* p) { return static_cast<std::uint32_t>(read_le_int(p, 4)); }

// Text of a Jet 3 file: single bytes in the file's code page.
class CodePage {
public:
    explicit CodePage(int codePage)
    {
        const std::string name = "CP" + std::to_string(codePage > 0 ? codePage : 1252);
        cd_ = iconv_open("UTF-8", name.c_str());
        if (cd_ == reinterpret_cast<iconv_t>(-1)) cd_ = iconv_open("UTF-8", "CP1252");
    }
    ~CodePage()
    {
        if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
    }
    CodePage(const CodePage&) = delete;
    CodePage& operator=(const CodePage&) = delete;

    std::string utf8(const unsigned char* p, std::size_t n)
    {
        std::string out;
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            out.assign(reinterpret_cast<const char*>(p), n);
            return out;
        }
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        std::string buf(n * 4 + 16, '\0');
        char* in = const_cast<char*>(reinterpret_cast<const char*>(p));
        std::size_t inLeft = n;
        while (inLeft > 0) {
            char* outp = buf.data();
            std::size_t outLeft = buf.size();
            const std::size_t rc = iconv(cd_, &in, &inLeft, &outp, &outLeft);
            out.append(buf.data(), buf.size() - outLeft);
            if (rc == static_cast<std::size_t>(-1) && inLeft > 0) {
                if (errno == E2BIG) continue;
                out += "\xEF\xBF\xBD";  // a byte the code page does not define
                ++in;
                --inLeft;
            }
        }
        return out;
    }

private:
    iconv_t cd_;
};

ColumnType column_type(int t)
{
    switch (t) {
    case MDB_BOOL: return ColumnType::YesNo;
    case MDB_BYTE: return ColumnType::Byte;
    case MDB_INT: return ColumnType::Integer;
    case MDB_LONGINT: return ColumnType::LongInteger;
    case MDB_MONEY: return ColumnType::Currency;
    case MDB_FLOAT: return ColumnType::Single;
    case MDB_DOUBLE: return ColumnType::Double;
    case MDB_DATETIME: return ColumnType::DateTime;
    case MDB_BINARY: return ColumnType::Binary;
    case MDB_TEXT: return ColumnType::Text;
    case MDB_OLE: return ColumnType::Ole;
    case MDB_MEMO: return ColumnType::Memo;
    case MDB_REPID: return ColumnType::ReplicationId;
    case MDB_NUMERIC: return ColumnType::Decimal;
    default: return ColumnType::Unsupported;
    }
}

// Bytes a fixed-size value occupies; 0 for values of variable size.
int fixed_size(ColumnType t)
{
    switch (t) {
    case ColumnType::Byte: return 1;
    case ColumnType::Integer: return 2;
    case ColumnType::LongInteger:
    case ColumnType::Single: return 4;
    case ColumnType::Currency:
    case ColumnType::Double:
    case ColumnType::DateTime: return 8;
    case ColumnType::ReplicationId: return 16;
    case ColumnType::Decimal: return 17;
    default: return 0;
    }
}

constexpr unsigned char kTableDefinitionPage = 0x02;

} // namespace

struct File::Impl {
    std::string path;
    MdbHandle* mdb = nullptr;
    long long pageSize = 0;
    long long pageCount = 0;
    int version = 0;
    std::unique_ptr<CodePage> codePage;
    std::vector<std::string> tables;
    std::vector<std::string> linked;

    ~Impl()
    {
        if (mdb) mdb_close(mdb);
    }

    [[noreturn]] void truncated(const std::string& owner, unsigned long page) const
    {
        throw FileError("\"" + path + "\" is truncated or damaged: " + owner + " refers to page " + std::to_string(page) +
                        ", but the file ends after page " + std::to_string(pageCount - 1));
    }

    // Reads a page into the handle's second page buffer.
    const unsigned char* page(const std::string& owner, unsigned long pg) const
    {
        if (static_cast<long long>(pg) >= pageCount) truncated(owner, pg);
        if (mdb_read_alt_pg(mdb, pg) != pageSize) truncated(owner, pg);
        return mdb->alt_pg_buf;
    }

    // The pages of a table's definition and the pages of its usage maps must lie inside
    // the file before libmdb is let at them: it reads past the end without complaint.
    // A page beyond the end means the file is truncated (FileError); other damage is
    // passed to `damaged`, which throws or, returning false, ends the check.
    using Damage = std::function<bool(const std::string&)>;

    bool checkDefinition(const std::string& owner, unsigned long firstPage, const Damage& damaged) const
    {
        std::set<unsigned long> seen;
        unsigned long pg = firstPage;
        while (pg != 0) {
            if (!seen.insert(pg).second || seen.size() > 4096)
                return damaged("its definition pages form a loop");
            const unsigned char* buf = page(owner, pg);
            if (buf[0] != kTableDefinitionPage)
                return damaged("page " + std::to_string(pg) + " is no table definition");
            if (pg == firstPage) {
                for (int offset : {mdb->fmt->tab_usage_map_offset, mdb->fmt->tab_free_map_offset}) {
                    const unsigned long mapPage = u32(buf + offset) >> 8;
                    if (static_cast<long long>(mapPage) >= pageCount) truncated(owner, mapPage);
                }
            }
            pg = u32(buf + 4);
        }
        return true;
    }

    bool checkUsageMap(const std::string& owner, const MdbTableDef* t, const Damage& damaged) const
    {
        const unsigned char* map = t->usage_map;
        const std::size_t size = t->map_sz;
        if (!map || size < 5) return damaged("its page map is missing");
        if (map[0] == 0) {
            const unsigned long start = u32(map + 1);
            for (std::size_t i = 5; i < size; ++i)
                for (int bit = 0; bit < 8; ++bit)
                    if (map[i] & (1 << bit)) {
                        const unsigned long pg = start + (i - 5) * 8 + bit;
                        if (static_cast<long long>(pg) >= pageCount) truncated(owner, pg);
                    }
        } else if (map[0] == 1) {
            const unsigned long perMapPage = static_cast<unsigned long>(pageSize - 4) * 8;
            for (std::size_t i = 0; 1 + 4 * i + 4 <= size; ++i) {
                const unsigned long mapPage = u32(map + 1 + 4 * i);
                if (mapPage == 0) continue;
                const unsigned char* buf = page(owner, mapPage);
                for (long long j = 4; j < pageSize; ++j)
                    for (int bit = 0; bit < 8; ++bit)
                        if (buf[j] & (1 << bit)) {
                            const unsigned long pg = i * perMapPage + (j - 4) * 8 + bit;
                            if (static_cast<long long>(pg) >= pageCount) truncated(owner, pg);
                        }
            }
        } else {
            return damaged("its page map has an unknown form");
        }
        return true;
    }

    // Reads a table's definition and checks its pages; null when it is damaged and
    // `damaged` lets the check end quietly.
    MdbTableDef* readDefinition(MdbCatalogEntry* entry, const std::string& owner, const Damage& damaged) const
    {
        if (!checkDefinition(owner, entry->table_pg, damaged)) return nullptr;
        MdbTableDef* def = mdb_read_table(entry);
        if (!def) {
            damaged("its definition cannot be read");
            return nullptr;
        }
        try {
            if (checkUsageMap(owner, def, damaged)) return def;
        } catch (...) {
            mdb_free_tabledef(def);
            throw;
        }
        mdb_free_tabledef(def);
        return nullptr;
    }

    std::string text(const unsigned char* p, std::size_t n) const
    {
        return version == MDB_VER_JET3 ? codePage->utf8(p, n) : jet4_text_utf8(p, n);
    }
};

File::File(const std::string& path) : d_(std::make_unique<Impl>())
{
    d_->path = path;
    std::error_code ec;
    const auto status = fs::status(path, ec);
    if (ec || !fs::exists(status)) throw FileError("cannot open " + quoted(path) + ": no such file");
    if (!fs::is_regular_file(status)) throw FileError(quoted(path) + " is not a file");
    const auto size = static_cast<long long>(fs::file_size(path, ec));
    if (ec) throw FileError("cannot read " + quoted(path) + ": " + ec.message());

    unsigned char head[0x20] = {};
    {
        std::ifstream in(path, std::ios::binary);
        if (!in) throw FileError("cannot open " + quoted(path) + ": " + std::strerror(errno));
        in.read(reinterpret_cast<char*>(head), sizeof head);
    }
    const bool magic = head[0] == 0 && head[1] == 1 && head[2] == 0 && head[3] == 0 &&
                       (std::memcmp(head + 4, "Standard Jet DB", 16) == 0 ||
                        std::memcmp(head + 4, "Standard ACE DB", 16) == 0);
    if (size < static_cast<long long>(sizeof head) || !magic)
        throw FileError(quoted(path) + " is not an Access database");

    d_->version = head[0x14];
    d_->pageSize = d_->version == MDB_VER_JET3 ? 2048 : 4096;
    if (size % d_->pageSize != 0)
        throw FileError(quoted(path) + " is truncated: its " + std::to_string(size) + " bytes are no whole number of " +
                        std::to_string(d_->pageSize) + "-byte pages");
    d_->pageCount = size / d_->pageSize;
    if (d_->pageCount < 3) throw FileError(quoted(path) + " is truncated: it holds no catalog");

    d_->mdb = mdb_open(path.c_str(), MDB_NOFLAGS);  // read-only
    if (!d_->mdb) throw FileError(quoted(path) + " is not an Access database libmdb can read");
    if (d_->mdb->fmt->pg_size != d_->pageSize)
        throw FileError(quoted(path) + " has an unexpected page size");
    d_->codePage = std::make_unique<CodePage>(d_->mdb->f->code_page);

    // The catalog (MSysObjects, defined on page 2) lists every table; libmdb reads it
    // without noticing missing pages, so check it first and count what it yields.
    MdbCatalogEntry msys;
    std::memset(&msys, 0, sizeof msys);
    msys.mdb = d_->mdb;
    msys.object_type = MDB_TABLE;
    msys.table_pg = 2;
    std::strcpy(msys.object_name, "MSysObjects");
    const std::string damagedFile = quoted(path) + " is damaged: ";
    const Impl::Damage fatal = [&](const std::string& what) -> bool {
        throw FileError(damagedFile + "its catalog cannot be read (" + what + ")");
    };
    MdbTableDef* def = d_->readDefinition(&msys, "the catalog", fatal);
    if (!def) throw FileError(damagedFile + "its catalog cannot be read");
    const unsigned declared = def->num_rows;
    mdb_free_tabledef(def);
    if (!mdb_read_catalog(d_->mdb, MDB_ANY) || d_->mdb->num_catalog < declared)
        throw FileError(damagedFile + "only " + std::to_string(d_->mdb->num_catalog) + " of the " +
                        std::to_string(declared) + " entries of its catalog can be read");

    // Every table, the system's own included, must lie inside the file: a file cut short
    // after the user's tables is truncated all the same. Other damage to a table shows
    // when that table is read.
    const Impl::Damage later = [](const std::string&) { return false; };
    for (unsigned i = 0; i < d_->mdb->num_catalog; ++i) {
        auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(d_->mdb->catalog, i));
        if (e->object_type != MDB_TABLE) continue;
        if (MdbTableDef* t = d_->readDefinition(e, "table " + quoted(e->object_name), later)) mdb_free_tabledef(t);
    }
    for (unsigned i = 0; i < d_->mdb->num_catalog; ++i) {
        auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(d_->mdb->catalog, i));
        if (mdb_is_user_table(e)) d_->tables.emplace_back(e->object_name);
        else if (e->object_type == MDB_LINKED_TABLE) d_->linked.emplace_back(e->object_name);
    }
}

File::~File() = default;

std::string File::formatName() const
{
    switch (d_->version) {
    case MDB_VER_JET3: return "Jet 3";
    case MDB_VER_JET4: return "Jet 4";
    default: return "ACE";
    }
}

const std::vector<std::string>& File::tables() const { return d_->tables; }
const std::vector<std::string>& File::linkedTables() const { return d_->linked; }

struct Table::Impl {
    File::Impl* file = nullptr;
    MdbTableDef* def = nullptr;
    std::string name;
    std::vector<ColumnInfo> columns;
    std::vector<MdbColumn*> raw;
    std::vector<IndexInfo> indexes;
    long long fetched = 0;
    long long limit = 0;
    bool done = false;

    ~Impl()
    {
        if (def) mdb_free_tabledef(def);
    }

    [[noreturn]] void damaged(const std::string& what) const
    {
        throw TableError("row " + std::to_string(fetched) + ": " + what);
    }

    // A memo or OLE value: kept in the row (inline), on one long-value page, or in a chain
    // of long-value pages. Every link is checked; a missing one fails the table rather
    // than giving an empty or shortened value.
    std::string longValue(const MdbColumn* col, const unsigned char* p, int len) const
    {
        if (len < MDB_MEMO_OVERHEAD) damaged("column " + quoted(col->name) + " holds a damaged long value");
        const std::uint32_t header = u32(p);
        const std::uint32_t size = header & 0x3FFFFFFF;
        MdbHandle* mdb = file->mdb;
        auto fetch = [&](std::uint32_t pgRow, const unsigned char*& data, std::size_t& n) {
            const unsigned long pg = pgRow >> 8;
            if (pg == 0 || static_cast<long long>(pg) >= file->pageCount)
                damaged("column " + quoted(col->name) + " refers to missing page " + std::to_string(pg));
            void* buf = nullptr;
            int off = 0;
            if (mdb_find_pg_row(mdb, static_cast<int>(pgRow), &buf, &off, &n) != 0)
                damaged("column " + quoted(col->name) + ": its long value on page " + std::to_string(pg) +
                        " cannot be read");
            data = static_cast<const unsigned char*>(buf) + off;
        };
        if (header & 0x80000000u) return std::string(reinterpret_cast<const char*>(p) + MDB_MEMO_OVERHEAD,
                                                     static_cast<std::size_t>(len - MDB_MEMO_OVERHEAD));
        const unsigned char* data = nullptr;
        std::size_t n = 0;
        if (header & 0x40000000u) {
            fetch(u32(p + 4), data, n);
            if (n < size) damaged("column " + quoted(col->name) + " holds a shortened long value");
            return std::string(reinterpret_cast<const char*>(data), size);
        }
        if ((header & 0xC0000000u) != 0) damaged("column " + quoted(col->name) + " holds a damaged long value");
        std::string out;
        std::uint32_t pgRow = u32(p + 4);
        while (pgRow != 0) {
            fetch(pgRow, data, n);
            if (n < 4 || out.size() + (n - 4) > size)
                damaged("column " + quoted(col->name) + " holds a damaged long value");
            pgRow = u32(data);
            out.append(reinterpret_cast<const char*>(data) + 4, n - 4);
        }
        if (out.size() != size) damaged("column " + quoted(col->name) + " holds a shortened long value");
        return out;
    }
};

std::unique_ptr<Table> File::open(const std::string& table)
{
    MdbCatalogEntry* entry = nullptr;
    for (unsigned i = 0; i < d_->mdb->num_catalog && !entry; ++i) {
        auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(d_->mdb->catalog, i));
        if (mdb_is_user_table(e) && table == e->object_name) entry = e;
    }
    if (!entry) throw TableError("no such table");

    auto impl = std::make_unique<Table::Impl>();
    impl->file = d_.get();
    impl->name = table;
    const Impl::Damage broken = [](const std::string& what) -> bool { throw TableError(what); };
    impl->def = d_->readDefinition(entry, "table " + quoted(table), broken);
    if (!mdb_read_columns(impl->def) || impl->def->num_cols == 0) throw TableError("it has no readable columns");
    mdb_read_indices(impl->def);

    MdbTableDef* t = impl->def;
    for (unsigned i = 0; i < t->num_cols; ++i) {
        auto* c = static_cast<MdbColumn*>(g_ptr_array_index(t->columns, i));
        c->bind_ptr = nullptr;  // values are decoded from the page, not formatted by libmdb
        c->len_ptr = nullptr;
        ColumnInfo info;
        info.name = c->name;
        info.type = column_type(c->col_type);
        info.size = c->col_size;
        if (info.type == ColumnType::Text && d_->version != MDB_VER_JET3) info.size /= 2;
        info.precision = c->col_prec;
        info.scale = c->col_scale;
        info.autoNumber = c->is_long_auto != 0;
        impl->columns.push_back(std::move(info));
        impl->raw.push_back(c);
    }
    for (unsigned i = 0; t->indices && i < t->num_idxs; ++i) {
        auto* idx = static_cast<MdbIndex*>(g_ptr_array_index(t->indices, i));
        if (idx->index_type == 2) continue;  // the hidden index of a relationship
        IndexInfo info;
        info.name = idx->name;
        info.primaryKey = idx->index_type == 1;
        info.unique = info.primaryKey || (idx->flags & MDB_IDX_UNIQUE);
        bool valid = idx->num_keys > 0 && idx->num_keys <= MDB_MAX_IDX_COLS;
        for (unsigned k = 0; valid && k < idx->num_keys; ++k) {
            const int col = idx->key_col_num[k] - 1;
            if (col < 0 || col >= static_cast<int>(t->num_cols)) valid = false;
            else info.columns.emplace_back(col, idx->key_col_order[k] == MDB_DESC);
        }
        if (valid) impl->indexes.push_back(std::move(info));
    }
    // No page holds more than a few hundred rows: a walk that yields more than that per
    // page has lost its way.
    impl->limit = d_->pageCount * 1000;
    mdb_rewind_table(t);
    return std::make_unique<Table>(std::move(impl));
}

Table::Table(std::unique_ptr<Impl> d) : d_(std::move(d)) {}
Table::~Table() = default;
const std::string& Table::name() const { return d_->name; }
const std::vector<ColumnInfo>& Table::columns() const { return d_->columns; }
const std::vector<IndexInfo>& Table::indexes() const { return d_->indexes; }
long long Table::declaredRows() const { return d_->def->num_rows; }

bool Table::next(std::vector<FieldValue>& row)
{
    if (d_->done) return false;
    if (!mdb_fetch_row(d_->def)) {
        d_->done = true;
        if (d_->fetched < declaredRows())
            throw TableError("only " + std::to_string(d_->fetched) + " of its " + std::to_string(declaredRows()) +
                             " rows can be read");
        return false;
    }
    if (++d_->fetched > d_->limit) throw TableError("reading it does not come to an end");

    MdbHandle* mdb = d_->file->mdb;
    const long long pageSize = d_->file->pageSize;
    row.assign(d_->columns.size(), FieldValue{});
    for (std::size_t i = 0; i < d_->columns.size(); ++i) {
        const ColumnInfo& info = d_->columns[i];
        MdbColumn* col = d_->raw[i];
        FieldValue& v = row[i];
        if (info.type == ColumnType::YesNo) {
            // A yes/no value lives in the row's null mask: a set bit (reported as "not
            // null") is Yes.
            v.kind = FieldValue::Kind::Integer;
            v.integer = col->cur_value_len == 0 ? -1 : 0;
            continue;
        }
        const int len = col->cur_value_len;
        if (len == 0 || info.type == ColumnType::Unsupported) continue;  // NULL
        const int start = col->cur_value_start;
        if (start < 0 || len < 0 || start + static_cast<long long>(len) > pageSize)
            d_->damaged("column " + quoted(info.name) + " lies outside its page");
        const unsigned char* p = mdb->pg_buf + start;
        const int need = fixed_size(info.type);
        if (need > 0 && len < need)
            d_->damaged("column " + quoted(info.name) + " holds " + std::to_string(len) + " bytes where " +
                        std::to_string(need) + " are expected");
        switch (info.type) {
        case ColumnType::Byte:
            v.kind = FieldValue::Kind::Integer;
            v.integer = p[0];
            break;
        case ColumnType::Integer:
            v.kind = FieldValue::Kind::Integer;
            v.integer = read_le_int(p, 2);
            break;
        case ColumnType::LongInteger:
            v.kind = FieldValue::Kind::Integer;
            v.integer = read_le_int(p, 4);
            break;
        case ColumnType::Currency:
            v.kind = FieldValue::Kind::Decimal;
            v.text = currency_decimal(read_le_int(p, 8));
            break;
        case ColumnType::Single:
            v.kind = FieldValue::Kind::Real;
            v.real = single_to_double(read_le_float(p));
            break;
        case ColumnType::Double:
            v.kind = FieldValue::Kind::Real;
            v.real = read_le_double(p);
            break;
        case ColumnType::DateTime: {
            const double days = read_le_double(p);
            if (auto iso = access_date_iso(days)) {
                v.kind = FieldValue::Kind::Text;
                v.text = std::move(*iso);
            } else {
                v.kind = FieldValue::Kind::Real;  // outside the calendar: keep the stored number
                v.real = days;
            }
            break;
        }
        case ColumnType::Text:
            v.text = d_->file->text(p, static_cast<std::size_t>(len));
            if (!v.text.empty()) v.kind = FieldValue::Kind::Text;
            break;
        case ColumnType::Memo: {
            const std::string bytes = d_->longValue(col, p, len);
            v.text = d_->file->text(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
            if (!v.text.empty()) v.kind = FieldValue::Kind::Text;
            break;
        }
        case ColumnType::Ole:
            v.text = d_->longValue(col, p, len);
            if (!v.text.empty()) v.kind = FieldValue::Kind::Blob;
            break;
        case ColumnType::Binary:
            v.kind = FieldValue::Kind::Blob;
            v.text.assign(reinterpret_cast<const char*>(p), static_cast<std::size_t>(len));
            break;
        case ColumnType::ReplicationId:
            v.kind = FieldValue::Kind::Text;
            v.text = guid_text(p);
            break;
        case ColumnType::Decimal:
            v.kind = FieldValue::Kind::Decimal;
            v.text = decimal_text(p, info.scale);
            break;
        case ColumnType::YesNo:
        case ColumnType::Unsupported: break;
        }
    }
    return true;
}

} // namespace vt::access::mdb
