// The web controls: report printables that make an HTML export interactive (buttons that load or
// post content, frames that receive it, menus, tabs, drop-downs, splitters, page navigation,
// search, an index, a cross tab, a canvas, inputs and check boxes). On paper and in the preview
// they print nothing; during an HTML export each hands itself to the filter's AcceptControl, which
// writes its element and gathers its script.
#pragma once

class TComponent;
class TRpGHTMLDocumentFilter;

// Raises the filter's head flags (post, get, search, index) from the web controls on the report's
// first band.
void RpWebScanHeadFlags(TRpGHTMLDocumentFilter* Filter);
