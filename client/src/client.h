/* The client handle's layout, shared by the files that implement its operations. */
#ifndef ZOLTC_LOGIX_CLIENT_H
#define ZOLTC_LOGIX_CLIENT_H

#include "session.h"

struct zoltc_logix_client {
  zoltc_logix_session *session; /* owned; never null in a live handle */
  zoltc_logix_identity identity;
  /* Templates read on this connection (struct zoltc_logix_type_table, shared by
   * every scope's browse); null until needed, dropped at connect and disconnect. */
  zoltc_logix_type_table *templates;
  zoltc_logix_refusal refusal; /* the last refusal's statuses */
};

/* Drops the handle's template cache (typetable.c). */
void zoltc_logix_client_forget_templates(zoltc_logix_client *client);

#endif
