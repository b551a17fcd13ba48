#pragma once

#include <QHBoxLayout>
#include <QPointer>

class KMLabel;
class VTVoice;

/// A voice note laid out in a row: optional text, the host's voice player, then room. The
/// player fetches and decodes nothing before it is played. GUI thread only.
class VoiceLayout : public QHBoxLayout
{
    Q_OBJECT
public:
    /// The player is a child of parent, playing url (playTime seconds long).
    VoiceLayout(const QString &url, int playTime, QWidget *parent);
    /// Deletes the text label and the player with it.
    ~VoiceLayout() override;

    /// Puts text before the player, ahead of any text already there.
    void prependText(const QString &text);
    VTVoice *player() const;

private:
    QPointer<KMLabel> m_textLbl; // child of m_parent; made by the first prependText
    QPointer<VTVoice> m_player; // child of m_parent
    QWidget *m_parent = nullptr;
};
