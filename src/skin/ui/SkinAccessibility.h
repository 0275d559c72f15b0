// Registers the accessible interfaces of the skinned windows with Qt: every pane answers with
// the interface it makes itself (CBaseWnd::CreateAccessible), tab strips as page tab lists.
// Safe to call more than once.
#pragma once

void installSkinAccessibility();
