/* The client handle's layout, shared by the files that implement its operations. */
#ifndef ZOLTC_LOGIX_CLIENT_H
#define ZOLTC_LOGIX_CLIENT_H

#include "session.h"

struct zoltc_logix_client {
  zoltc_logix_session *session; /* owned; never null in a live handle */
  zoltc_logix_identity identity;
};

#endif
