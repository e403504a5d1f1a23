// What marks a program as a stand-in: every stand-in carries an RT_RCDATA resource of this name, and
// payload-tool finds stand-ins among a launcher's tools by it (verify, list, the release's name and the
// signed release's refusal). Only preprocessor definitions, so that the resource compiler reads it too.
#pragma once

// The resource's name, as the resource compiler takes it (a bare word) and as text.
#define FUNKELIS_STANDIN_MARKER FUNKELIS_STAND_IN
#define FUNKELIS_STANDIN_MARKER_TEXT "FUNKELIS_STAND_IN"
