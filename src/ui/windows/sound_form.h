// The sound control window: the song's music volume and the channel grid for muting and
// choosing keyjazz channels. Meant as a child of the main window's MDI area.
#pragma once

#include <QWidget>

class QLabel;
class QSlider;
class QTabWidget;
class TChannelGrid;

class TSoundForm : public QWidget {
    Q_OBJECT
public:
    explicit TSoundForm(QWidget* parent = nullptr);

    // Takes the song's volume and lays the grid out for its channels; the main window calls
    // it when a module loads and when the channel count changes.
    void Refresh();

    QSlider* ampBar;
    QLabel* ampLabel;
    QTabWidget* tabs;
    TChannelGrid* chanGrid;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* BuildTracksPage();
    QWidget* BuildEchoPage();
    void ampBarChange(int position);
};
