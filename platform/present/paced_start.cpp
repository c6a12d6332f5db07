// Apart from the run itself, so that what links the run alone (its tests) needs no store.
#include "platform/present/paced_run.h"
#include "platform/present/run_rates.h"
#include "platform/regfile/stored_choices.h"
#include "ports/display_objects.h"
#include "shell/display_setup.h"

bool SetUpPacedRun(uint32_t seed, const PacedChoices& choices, std::string& error) {
    ResetRun(SeedOfRun(seed));
    TakeStoredChoices(choices.Effect, choices.Palette);
    DisplayFailure failure{};
    if (SetUpDisplay(nullptr, failure)) return true;
    ReleaseDisplayObjects();
    error = failure.Text;
    return false;
}
