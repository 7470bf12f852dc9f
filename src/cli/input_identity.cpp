#include "cli/input_identity.h"

#include <optional>
#include <utility>
#include <vector>

#include "cli/input_reading.h"
#include "platform/file.h"

void RefuseOutputsThatAreInputs(const TCliOptions& options) {
  if (!options.IsBatch()) return;
  std::vector<std::pair<platform::TFileIdentity, const std::string*>> inputs;
  for (const TCliJob& job : options.Jobs) {
    if (job.Input == kStandardStreamName) continue;
    if (const auto identity = platform::FileIdentityOf(job.Input)) {
      inputs.emplace_back(*identity, &job.Input);
    }
  }
  for (const TCliJob& job : options.Jobs) {
    const std::optional<platform::TFileIdentity> output = platform::FileIdentityOf(job.Output);
    if (!output) continue;
    for (const auto& [identity, input] : inputs) {
      if (identity != *output) continue;
      throw EUsageError(*input == job.Input
                            ? "\"" + *input + "\" would be overwritten by its own result"
                            : "\"" + *input + "\" would be overwritten by the result of \"" +
                                  job.Input + "\"");
    }
  }
}
