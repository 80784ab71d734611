#include "cli/command_registry.h"
#include "workbench/database_file.h"
#include "workbench/transfer_plots.h"

#include <filesystem>
#include <memory>
#include <ostream>
#include <sstream>

namespace vt::cli {

namespace {

struct TransferOptions {
    std::string from, to, plots;
    bool noKeyCheck = false;
    bool copyMissing = false;
};

std::vector<long long> parse_plots(const std::string& text)
{
    std::vector<long long> plots;
    std::stringstream in(text);
    for (std::string item; std::getline(in, item, ',');) {
        try {
            std::size_t used = 0;
            plots.push_back(std::stoll(item, &used));
            if (used != item.size()) throw std::invalid_argument(item);
        } catch (const std::exception&) {
            throw CommandError("--plots takes plot numbers separated by commas, not \"" + text + "\"");
        }
    }
    if (plots.empty()) throw CommandError("--plots names no plot");
    return plots;
}

std::string ids(const std::vector<long long>& v)
{
    std::string s;
    for (long long id : v) s += (s.empty() ? "" : ", ") + std::to_string(id);
    return s.empty() ? "-" : s;
}

void print_copied(std::ostream& out, const workbench::PlotTransfer& p)
{
    std::string line;
    for (const auto& [table, rows] : p.rows) line += (line.empty() ? " " : ", ") + table + " " + std::to_string(rows);
    out << "plot " << p.plot << " copied:" << line << '\n';
    for (const auto& note : p.notes) out << "  " << note << '\n';
}

void run_transfer(const TransferOptions& o, Context& ctx)
{
    const auto plots = parse_plots(o.plots);
    // The source is only read: a write-protected file is fine.
    std::unique_ptr<db::Connection> c;
    try {
        c = workbench::open_database_file(o.from, workbench::DatabaseAccess::Work);
    } catch (const workbench::DatabaseFileError&) {
        throw;
    } catch (const std::exception& e) {
        throw CommandError(e.what(), 1);
    }
    workbench::require_writable_database(o.to);
    workbench::DataTransfer transfer(*c);
    try {
        transfer.selectDestination(o.to);
    } catch (const std::exception& e) {
        throw CommandError(e.what(), 1);
    }
    ctx.out << "backup written: " << workbench::DataTransfer::backupPath(o.to) << '\n';

    workbench::DataTransfer::Options options;
    options.keyCheck = !o.noKeyCheck;
    options.decide = [&](long long plot, const workbench::KeyCheckLists& lists) {
        if (lists.complete()) return true;
        if (!o.copyMissing) return false;
        std::vector<long long> amendments, crops, absent;
        for (long long id : lists.amendmentsMissing)
            (transfer.copyParameterRecord(workbench::DataTransfer::Record::Amendment, id) > 0 ? amendments : absent).push_back(id);
        for (long long id : lists.cropsMissing)
            (transfer.copyParameterRecord(workbench::DataTransfer::Record::Crop, id) > 0 ? crops : absent).push_back(id);
        if (!amendments.empty()) ctx.out << "plot " << plot << ": amendment records copied: " << ids(amendments) << '\n';
        if (!crops.empty()) ctx.out << "plot " << plot << ": crop records copied: " << ids(crops) << '\n';
        if (!absent.empty()) {
            ctx.err << "plot " << plot << ": not copied, the records " << ids(absent)
                    << " are missing in the open database as well\n";
            return false;
        }
        return true;
    };
    std::vector<long long> copied;
    options.copied = [&](const workbench::PlotTransfer& p) {
        print_copied(ctx.out, p);
        copied.push_back(p.plot);
    };
    std::vector<workbench::PlotTransfer> done;
    try {
        done = transfer.copy(plots, options);
    } catch (const workbench::TransferError& e) {
        std::string msg = e.what();
        msg += copied.empty() ? "; no plot was copied" : "; copied before it: plots " + ids(copied);
        throw CommandError(msg, 1);
    } catch (const std::exception& e) {
        throw CommandError(std::string(e.what()) +
                               (copied.empty() ? "; no plot was copied" : "; copied before it: plots " + ids(copied)),
                           1);
    }
    int skipped = 0;
    for (const auto& p : done) {
        if (p.copied) continue;
        const auto lists = transfer.keyCheck(p.plot);
        if (!o.copyMissing)
            ctx.err << "plot " << p.plot << ": not copied, the destination lacks parameter records (amendments "
                    << ids(lists.amendmentsMissing) << "; crops " << ids(lists.cropsMissing)
                    << "); copy them with --copy-missing or leave out the check with --no-key-check\n";
        ++skipped;
    }
    if (skipped) throw CommandError(std::to_string(skipped) + " plots not copied", 1);
}

const Registrar reg("transfer", [](CLI::App& app, Context& ctx) {
    auto o = std::make_shared<TransferOptions>();
    auto* cmd = app.add_subcommand(
        "transfer", "Data transfer: copy plots with their experiment, references, observations, management, soil and "
                    "station into another database (a backup FILE.bak of it is written first)");
    cmd->add_option("--from", o->from, "Source database")->required();
    cmd->add_option("--to", o->to, "Destination database")->required();
    cmd->add_option("--plots", o->plots, "Plot numbers, separated by commas")->required();
    cmd->add_flag("--no-key-check", o->noKeyCheck, "Copy without comparing the crop and amendment parameter records");
    cmd->add_flag("--copy-missing", o->copyMissing, "Copy parameter records the destination lacks");
    cmd->callback([o, &ctx] { run_transfer(*o, ctx); });
});

} // namespace

} // namespace vt::cli
