# Read by CPack as it runs: the archive writers take entry times from SOURCE_DATE_EPOCH where
# they support it, so it is the commit's time here whatever the build's environment holds; and
# ZIP entries hold local times, so the local time is UTC wherever the build runs.
set(ENV{SOURCE_DATE_EPOCH} "${CPACK_SOURCE_DATE_EPOCH}")
set(ENV{TZ} "UTC")
