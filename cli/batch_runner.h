// Runs one job per photo on worker threads and hands the results to the printer in the photos' order, so
// that what is printed is the same with one worker or many.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "cli/photo_list.h"
#include "cli/photo_result.h"
#include "cli/result_output.h"

namespace lumivex::cli {

struct BatchTally {
    size_t total = 0;    // photos in the list
    size_t handled = 0;  // photos with a result
    bool anyFailed = false;
    bool interrupted = false;  // Ctrl-C or SIGTERM came: the photos not started then were left alone
    double seconds = 0;
    std::vector<std::pair<std::string, size_t>> outcomes;  // count per outcome, in the order first met
};

// workers: at least 1; never more threads than photos. `progress` draws the progress line.
BatchTally runBatch(const std::vector<PhotoTask>& tasks, const PhotoJob& job, unsigned workers, ResultPrinter& printer,
                    bool progress);

}  // namespace lumivex::cli
