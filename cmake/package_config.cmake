# Read by CPack as it runs: the archive writers take entry times from SOURCE_DATE_EPOCH where
# they support it, so it is the commit's time here whatever the build's environment holds.
set(ENV{SOURCE_DATE_EPOCH} "${CPACK_SOURCE_DATE_EPOCH}")
