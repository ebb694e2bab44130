// Adding files to the catalogue: registering a collected list of files in batched
// transactions with progress, skipping what can't be read, and the one report of
// what went wrong. The main window and the command line both add files this way.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cataloguing/folder_scan.h"
#include "core/error.h"
#include "core/toolkit.h"

namespace tagshelf {

class Catalogue;

struct ScanReport {
    long registered = 0;  // rows stored and committed
    long alreadyThere = 0;
    long refused = 0;                     // the catalogue refused the row (a message was shown)
    std::vector<std::string> unreadable;  // files whose tag could not be read
    std::vector<std::string> unreadableFolders;
    long lost = 0;  // rows appended but rolled back when a commit failed
    std::optional<Error> commitError;
    bool commitErrorShown = false;  // the append that met it showed it already
    bool stopped = false;           // the catalogue could not be used: the scan gave up
    long notDone = 0;               // files not tried because the scan stopped or was cancelled
    long total = 0;
    bool cancelled = false;  // the user stopped the search or the registration
};

// Registers each file in order through subAddFile, in batched transactions, with
// progress; a file that can't be read is skipped and the scan goes on. Cancelling
// stops after the current file.
ScanReport registerFiles(Catalogue& cat, const std::vector<std::string>& files, Progress* progress);

// Collects the files (a folder scan or a drop) and registers them, under one
// progress when one is given.
ScanReport addFiles(Catalogue& cat, const std::function<FileCollection(Progress*)>& collect,
                    Progress* progress);

// Shows what went wrong in a scan: a failed commit with the standard message
// labelled "subDbCommit : " (unless an append showed it), then one message
// listing what was skipped.
void showScanReport(Catalogue& cat, const ScanReport& report);

// The message that lists what was skipped; empty when nothing was.
std::string skippedMessage(const ScanReport& report);

}  // namespace tagshelf
