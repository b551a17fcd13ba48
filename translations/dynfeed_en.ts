<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>AttachWdt</name>
    <message>
        <source>View</source>
        <translation>View</translation>
    </message>
</context>
<context>
    <name>DayLogExporter</name>
    <message>
        <source>The project&apos;s messages cannot be loaded: the push service reported an error</source>
        <translation>The project&apos;s messages cannot be loaded: the push service reported an error</translation>
    </message>
    <message>
        <source>No project or user to export the day of</source>
        <translation>No project or user to export the day of</translation>
    </message>
    <message>
        <source>The day to export is not a valid date</source>
        <translation>The day to export is not a valid date</translation>
    </message>
    <message>
        <source>No file to write the daily log to</source>
        <translation>No file to write the daily log to</translation>
    </message>
</context>
<context>
    <name>DayLogWriter</name>
    <message>
        <source>Voice note (%1 s)</source>
        <translation>Voice note (%1 s)</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>Location</translation>
    </message>
    <message>
        <source>People</source>
        <translation>People</translation>
    </message>
    <message>
        <source>End time</source>
        <translation>End time</translation>
    </message>
    <message>
        <source>From task</source>
        <translation>From task</translation>
    </message>
    <message>
        <source>Uploaded to the project</source>
        <translation>Uploaded to the project</translation>
    </message>
    <message>
        <source>Daily log</source>
        <translation>Daily log</translation>
    </message>
    <message numerus="yes">
        <source>%n record(s)</source>
        <translation>
            <numerusform>%n record</numerusform>
            <numerusform>%n records</numerusform>
        </translation>
    </message>
    <message>
        <source>No records on this day.</source>
        <translation>No records on this day.</translation>
    </message>
    <message>
        <source>Weather and reminders</source>
        <translation>Weather and reminders</translation>
    </message>
    <message>
        <source>Tasks</source>
        <translation>Tasks</translation>
    </message>
    <message>
        <source>Task reports</source>
        <translation>Task reports</translation>
    </message>
    <message>
        <source>Notices</source>
        <translation>Notices</translation>
    </message>
    <message>
        <source>Members</source>
        <translation>Members</translation>
    </message>
    <message>
        <source>Project information</source>
        <translation>Project information</translation>
    </message>
    <message>
        <source>Files and pictures</source>
        <translation>Files and pictures</translation>
    </message>
    <message>
        <source>Other records</source>
        <translation>Other records</translation>
    </message>
    <message>
        <source>Page %1 of %2</source>
        <translation>Page %1 of %2</translation>
    </message>
    <message>
        <source>No valid day to write the log of</source>
        <translation>No valid day to write the log of</translation>
    </message>
    <message>
        <source>Cannot write %1: %2</source>
        <translation>Cannot write %1: %2</translation>
    </message>
    <message>
        <source>no file name given</source>
        <translation>no file name given</translation>
    </message>
    <message>
        <source>Daily log %1 %2</source>
        <translation>Daily log %1 %2</translation>
    </message>
    <message>
        <source>Cannot write %1: the PDF cannot be drawn</source>
        <translation>Cannot write %1: the PDF cannot be drawn</translation>
    </message>
</context>
<context>
    <name>DynMsgConverter</name>
    <message>
        <source>项目名称 : </source>
        <translation>Project name: </translation>
    </message>
    <message>
        <source>项目类型 : </source>
        <translation>Project type: </translation>
    </message>
    <message>
        <source>  所在地 : </source>
        <translation>Location: </translation>
    </message>
    <message>
        <source>建筑面积 : </source>
        <translation>Floor area: </translation>
    </message>
    <message>
        <source>万平米</source>
        <translation> × 10,000 m²</translation>
    </message>
    <message>
        <source>项目工期 : </source>
        <translation>Project period: </translation>
    </message>
    <message>
        <source>开始时间 : </source>
        <translation>Start date: </translation>
    </message>
    <message>
        <source>结束时间 : </source>
        <translation>End date: </translation>
    </message>
    <message>
        <source>建设单位 : </source>
        <translation>Owner: </translation>
    </message>
    <message>
        <source>施工单位 : </source>
        <translation>Contractor: </translation>
    </message>
    <message>
        <source>监理单位 : </source>
        <translation>Supervisor: </translation>
    </message>
    <message>
        <source>分包单位 : </source>
        <translation>Subcontractor: </translation>
    </message>
</context>
<context>
    <name>DynScrollArea</name>
    <message>
        <source>Network communication failed!</source>
        <translation>Network communication failed!</translation>
    </message>
</context>
<context>
    <name>DynamicPage</name>
    <message>
        <source>DynamicPage::addDynInfo--invalid DynData.</source>
        <translation>DynamicPage::addDynInfo--invalid DynData.</translation>
    </message>
</context>
<context>
    <name>EditProjectWdt</name>
    <message>
        <source>More</source>
        <translation>More</translation>
    </message>
</context>
<context>
    <name>FileDisplayWdt</name>
    <message>
        <source>不支持的文件格式!</source>
        <translation>Unsupported file format!</translation>
    </message>
</context>
<context>
    <name>GotoPageFrm</name>
    <message>
        <source>Go to</source>
        <translation>Go to</translation>
    </message>
</context>
<context>
    <name>PageNavigateWdt</name>
    <message>
        <source>Previous Page</source>
        <translation>Previous Page</translation>
    </message>
    <message>
        <source>Next Page</source>
        <translation>Next Page</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>End Time</source>
        <translation>End Time</translation>
    </message>
</context>
<context>
    <name>SDynData</name>
    <message>
        <source>验收项</source>
        <translation>Acceptance</translation>
    </message>
    <message>
        <source>问题项</source>
        <translation>Issue</translation>
    </message>
    <message>
        <source>通知项</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>其他</source>
        <translation>Other</translation>
    </message>
    <message>
        <source>进行中</source>
        <translation>In progress</translation>
    </message>
    <message>
        <source>已完成</source>
        <translation>Completed</translation>
    </message>
    <message>
        <source>延期</source>
        <translation>Delayed</translation>
    </message>
    <message>
        <source>建筑工程</source>
        <translation>Building works</translation>
    </message>
    <message>
        <source>市政工程</source>
        <translation>Municipal works</translation>
    </message>
    <message>
        <source>电力工程</source>
        <translation>Power works</translation>
    </message>
    <message>
        <source>铁路工程</source>
        <translation>Railway works</translation>
    </message>
    <message>
        <source>公路工程</source>
        <translation>Highway works</translation>
    </message>
    <message>
        <source>冶金工程</source>
        <translation>Metallurgical works</translation>
    </message>
    <message>
        <source>石化工程</source>
        <translation>Petrochemical works</translation>
    </message>
    <message>
        <source>项目总工</source>
        <translation>Chief engineer</translation>
    </message>
    <message>
        <source>项目经理</source>
        <translation>Project manager</translation>
    </message>
    <message>
        <source>生产经理</source>
        <translation>Production manager</translation>
    </message>
    <message>
        <source>商务经理</source>
        <translation>Commercial manager</translation>
    </message>
    <message>
        <source>技术员</source>
        <translation>Technician</translation>
    </message>
    <message>
        <source>施工员</source>
        <translation>Site supervisor</translation>
    </message>
    <message>
        <source>安全员</source>
        <translation>Safety officer</translation>
    </message>
    <message>
        <source>质量员</source>
        <translation>Quality inspector</translation>
    </message>
</context>
<context>
    <name>SingleDynamicWdt</name>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
</context>
<context>
    <name>SummaryInfoWdt</name>
    <message>
        <source>Invalid time</source>
        <translation>Invalid time</translation>
    </message>
    <message>
        <source>Just now</source>
        <translation>Just now</translation>
    </message>
    <message numerus="yes">
        <source>%n days ago</source>
        <translation>
            <numerusform>%n day ago</numerusform>
            <numerusform>%n days ago</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n minutes ago</source>
        <translation>
            <numerusform>%n minute ago</numerusform>
            <numerusform>%n minutes ago</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n hours ago</source>
        <translation>
            <numerusform>%n hour ago</numerusform>
            <numerusform>%n hours ago</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>TaskInfoWdt</name>
    <message>
        <source>立即通知他</source>
        <translation>Notify now</translation>
    </message>
    <message>
        <source>我知道了</source>
        <translation>Got it</translation>
    </message>
    <message>
        <source>View</source>
        <translation>View</translation>
    </message>
    <message>
        <source>通知用户失败</source>
        <translation>Failed to notify the user</translation>
    </message>
</context>
<context>
    <name>TaskReportWdt</name>
    <message>
        <source>Come from task </source>
        <translation>Come from task </translation>
    </message>
    <message>
        <source>View</source>
        <translation>View</translation>
    </message>
</context>
<context>
    <name>ViewFileSink</name>
    <message>
        <source>用户取消!</source>
        <translation>Cancelled by the user!</translation>
    </message>
    <message>
        <source>不支持的文件格式!</source>
        <translation>Unsupported file format!</translation>
    </message>
    <message>
        <source>打开文件失败!</source>
        <translation>Failed to open the file!</translation>
    </message>
</context>
</TS>
