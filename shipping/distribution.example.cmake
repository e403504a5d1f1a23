# A distribution file: everything a distributor decides, in one place. Copy it outside the checkout
# (it names your key), fill it in, and give it to a fresh build tree with -C:
#
#   cmake --preset win32 -B build/dist -C /path/to/my-distribution.cmake
#   cmake --build build/dist --target release
#
# Configure prints a table of what FunkelisTools.exe packs. Each line sets a cache variable (FORCE: the
# file wins over what the tree had, each time it is given); the values that do not pass their checks
# stop the configuration, each with a message naming its variable. The checks are those of
# `payload-tool set`, which gives a finished launcher the same facts (version, company, copyright, home
# page, date, tool updates) without a build. After a change, configure again with the same
# -C. To go back to a default in an existing tree, set the value rather than deleting the line (an
# empty tool path means the stand-in); a line left out of a fresh tree gives the project's default.

# Where this file lies: a relative path below is taken from its folder. Keep this line first.
set(FUNKELIS_DISTRIBUTION_FILE "${CMAKE_CURRENT_LIST_FILE}" CACHE FILEPATH "" FORCE)

# The five tools, row by row. Each file is recorded under the row's name (Marvolt.exe ...) whatever it
# is called here. A row left empty carries the stand-in: the release's zip name then says
# "-standins-<rows>", and a signed release refuses it (unless FUNKELIS_SIGN_STANDINS is ON). A signed
# release also refuses a DLL or a file that is no program (unless FUNKELIS_ALLOW_NON_PROGRAMS is ON);
# a 64-bit or console program gets a warning. A relative path is taken from this file's folder.
set(FUNKELIS_TOOL_MARVOLT "/path/to/Marvolt.exe" CACHE FILEPATH "" FORCE)
set(FUNKELIS_TOOL_CINDREL "/path/to/Cindrel.exe" CACHE FILEPATH "" FORCE)
set(FUNKELIS_TOOL_STAVNIK "/path/to/Stavnik.exe" CACHE FILEPATH "" FORCE)
set(FUNKELIS_TOOL_WOBERIN "/path/to/Woberin.exe" CACHE FILEPATH "" FORCE)
set(FUNKELIS_TOOL_PELLORY "/path/to/Pellory.exe" CACHE FILEPATH "" FORCE)

# The home page the window shows and opens on a double click: http:// or https:// and the characters
# RFC 3986 allows in a URL (& ; ' ? = ... are plain data; no blanks, double quotes, backslashes or
# characters outside ASCII: write those percent-encoded). Configure warns when it is wider than the
# label's one line.
set(FUNKELIS_HOME_PAGE_URL "https://www.example.org/funkelis-tools" CACHE STRING "" FORCE)

# Version (four numbers, each at most 65535, without leading zeros): file and product version, the
# manifest, the zip's name.
set(FUNKELIS_VERSION "2.1.0.4" CACHE STRING "" FORCE)
# Program date DDMMYYYY (from 1970 on), stamped into the settings file beside the version.
set(FUNKELIS_PROGRAM_DATE "10122009" CACHE STRING "" FORCE)
# Into the version resource (Properties, Details), as Unicode: any UTF-8 text on one line.
set(FUNKELIS_COMPANY "Beispiel Vertrieb Müller & Söhne GmbH" CACHE STRING "" FORCE)
set(FUNKELIS_COPYRIGHT "© 2026 Beispiel Vertrieb Müller & Söhne GmbH" CACHE STRING "" FORCE)

# Tool updates, ON or OFF: recorded in the launcher as its choice (the configuration's table shows
# "tools update: on" or "off"; payload-tool set update-tools=on|off changes it in a finished launcher).
# ON: when users unpack a new release over the old one, a press on a tool's button replaces the old tool
# file beside the launcher with the newer one this launcher carries, while that tool is not running;
# versions decide (the file version of each tool's version resource, strictly higher; never a downgrade,
# and a tool without a version resource is never replaced), and LIESMICH.txt tells users there is
# nothing to do. OFF, the project's default: a tool file already beside the launcher is never written
# again, and users must delete the old tool files after an update (LIESMICH.txt says so).
set(FUNKELIS_UPDATE_TOOLS ON CACHE BOOL "" FORCE)

# Optional: your own text for the end user (UTF-8, characters of Windows-1252 only), stored in the
# zip as LIESMICH.txt in place of shipping/LIESMICH.txt.
# set(FUNKELIS_LIESMICH "/path/to/LIESMICH.txt" CACHE FILEPATH "" FORCE)

# Signing: a PKCS#12 file with key, certificate and chain, and a file with its password on one line.
# Keep both outside the checkout. Both or neither; without them the release is unsigned.
set(FUNKELIS_SIGN_PKCS12 "/path/to/keys/funkelis.p12" CACHE FILEPATH "" FORCE)
set(FUNKELIS_SIGN_PASSWORD_FILE "/path/to/keys/funkelis.pass" CACHE FILEPATH "" FORCE)
# Only to sign a release with a DLL or another file that Windows cannot start in a row:
# set(FUNKELIS_ALLOW_NON_PROGRAMS ON CACHE BOOL "" FORCE)
# Optional RFC 3161 timestamp server (needs network at build time).
# set(FUNKELIS_SIGN_TIMESTAMP_URL "http://timestamp.example.com" CACHE STRING "" FORCE)
