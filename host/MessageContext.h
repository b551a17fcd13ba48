#pragma once

#include <QString>

class pb_clt_t_user;

/// One message delivered by the push service. The message is the service's and lives for the
/// duration of the callback that carries it.
struct MessageContext
{
    QString groupId; // the message group (project id) it was published into
    const pb_clt_t_user *user = nullptr; // the received message; null when there is none
};
