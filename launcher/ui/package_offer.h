#pragma once
// Yes to the not-installed offer: the download dialog fetches and checks the
// package from the web host, and "Install" opens it as the update does.

// 0 when it was opened or the user cancelled; -1 when opening it failed (said).
int download_and_install_tamblo();
