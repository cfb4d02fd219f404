// The program's entry: the application object and the toolkit's main.
#include "app/vomra_server_app.h"

wxIMPLEMENT_APP(CVomraServerApp);
