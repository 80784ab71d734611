#pragma once
#include <string>
#include <vector>

namespace vt::db {
class Connection;
}

namespace vt::workbench {

// One plot of the experiment tree.
struct TreePlot {
    long long flId = 0;
    std::string name;      // site_description: the node's label
    std::string location;
    std::string vcode;
    std::string iCon;      // trimmed
    bool hasResults = false;  // simulated values whose mean is above 0
};

// One experiment node: a location with one of its codes, and the plots of that location
// (positions in BrowserTree::plots, in name order). Two codes of one location list the
// same plots.
struct TreeExperiment {
    std::string location;
    std::string vcode;
    bool hasReferences = false;  // its code has literature references (ref2vcode)
    std::vector<int> plots;
    std::string label() const;
};

struct BrowserTree {
    std::vector<TreeExperiment> experiments;
    std::vector<TreePlot> plots;
};

// The rows of the experiment tree, read in three queries whatever the number of plots:
// the plots, their result counts and the experiments with references.
BrowserTree read_browser_tree(db::Connection& c);

// Location + "   <" + code + ">".
std::string experiment_label(const std::string& location, const std::string& code);
// The text before the first "<" of a label, trimmed; the whole label without "<".
std::string get_location(const std::string& label);
// The text after the first "<" up to the last character; "?" without "<".
std::string get_vcode(const std::string& label);
// The database path as the root node shows it: beyond 35 characters its first 16, "..."
// and its last 16.
std::string root_label(const std::string& path);

} // namespace vt::workbench
